#pragma once
// Named mutexes as lock files, visible to every process that opens the same name.
//
// A name beginning with "Global\" is machine-wide: <CORVANE_ROOT>/run/corvane/<name>.lock,
// the service's own runtime folder (RuntimeDirectory= under systemd). Only root and the
// folder's owner can make files there, and a lock file is its creator's alone (0600), so
// no other user can open, and so lock, a machine-wide mutex.
// Any other name (a leading "Local\" is dropped) is the user's own:
// $XDG_RUNTIME_DIR/corvane when that folder is the user's and closed to others, else
// /tmp/corvane-<uid>. Another user can put a folder or a link at that path in /tmp first;
// a folder refused there (or its lock file) gives way to the user's private folder,
// $XDG_STATE_HOME/corvane (else ~/.local/state/corvane), made 0700 inside a folder that is
// the user's and that others cannot write. Every instance of the user tries the folders
// in this order, so they meet in the same one.
// The mutex exists while some handle to it is open; a handle is held until it is closed
// or its process ends, however it ends. The name is encoded into the file name, so no
// name can reach outside its folder. Opening never waits for another process.
#include <memory>
#include <string>
#include <vector>

namespace platform {

class NamedMutex {
 public:
  // Opens the named mutex, creating it when no handle to it is open anywhere. When this
  // call creates it and initialOwner is true the caller owns it. A mutex that another
  // process holds in any way exists: the call neither fails nor waits for it. Null on
  // failure (errno tells why; EPERM for a folder or file that others could have made).
  // refused, when given, gets a line for each folder or lock file refused on the way:
  // its path and why ("/tmp/corvane-1000: belongs to user 1001, others may write it").
  static std::unique_ptr<NamedMutex> Create(const std::wstring& name, bool initialOwner,
                                            std::vector<std::string>* refused = nullptr);
  // Closes the handle; ownership ends with it.
  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // True when another handle to the mutex was open when this one was made.
  bool AlreadyExisted() const { return m_alreadyExisted; }
  bool IsOwned() const { return m_owned; }
  // Gives up ownership; false when this handle did not own the mutex.
  bool Release();

  // The lock file that stands for a name in its first folder.
  static std::string LockFilePath(const std::wstring& name);

 private:
  NamedMutex(int descriptor, bool alreadyExisted, bool owned)
      : m_descriptor(descriptor), m_alreadyExisted(alreadyExisted), m_owned(owned) {}

  int m_descriptor;
  bool m_alreadyExisted;
  bool m_owned;
};

}  // namespace platform
