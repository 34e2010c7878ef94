#pragma once
// The UI thread's message loop. Every message for a UI window (mouse, keyboard, paint,
// close, activation and posted messages) first passes the loop's filters, newest first;
// a filter that returns true uses the message up. Otherwise it goes to the window.
// When no message is waiting the idle handlers run, again after each message other than
// mouse moves and paints, for as long as one of them asks for more.
#include <vector>

#include "platform/ui/windows/UiWindow.h"

namespace platform {

class MessageFilter {
 public:
  virtual ~MessageFilter() = default;
  virtual bool PreTranslateMessage(UiMessage& message) = 0;
};

class IdleHandler {
 public:
  virtual ~IdleHandler() = default;
  // True asks for another idle call while the queue stays empty.
  virtual bool OnIdle() = 0;
};

class MessageLoop {
 public:
  MessageLoop();
  ~MessageLoop();
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  bool AddMessageFilter(MessageFilter* filter);
  bool RemoveMessageFilter(MessageFilter* filter);
  bool AddIdleHandler(IdleHandler* handler);
  bool RemoveIdleHandler(IdleHandler* handler);

  // Serves messages until a WM_QUIT; returns its wParam.
  int Run();

  // The loop that is running (or was made last) on the UI thread; null when none.
  static MessageLoop* Current();
  // Ends the running loop with the code once the messages before it are served.
  static void PostQuit(int exitCode);

  // Used by the window layer for every message it delivers.
  bool RunFilters(UiMessage& message);
  void NoteMessage(unsigned int message);
  void RunIdleHandlers();

 private:
  std::vector<MessageFilter*> filters_;
  std::vector<IdleHandler*> idleHandlers_;
  MessageLoop* previous_ = nullptr;
  bool idleWanted_ = true;
};

// Starts the UI toolkit for this process if nothing has yet (the first caller's thread
// becomes the UI thread). Optional: the first window starts it too. argv must outlive
// the process's UI. Windows need a display: the off-screen platform only when
// QT_QPA_PLATFORM asks for it. Without one, false after one line on stderr
// ("<program>: no display ..."); windows then cannot be made.
bool StartUi(int& argc, char** argv);
// True when the calling thread is the UI thread.
bool IsUiThread();

}  // namespace platform
