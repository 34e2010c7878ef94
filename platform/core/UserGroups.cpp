#include "platform/core/UserGroups.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/core/TextCodec.h"

namespace platform {

namespace {

// Database names are looked up with growing buffers; a missing entry gives "".
std::wstring UserName(uid_t uid) {
  std::vector<char> buffer(1024);
  for (int attempt = 0; attempt < 8; ++attempt) {
    passwd entry{};
    passwd* found = nullptr;
    int error = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    return error == 0 && found != nullptr ? Utf8ToWide(found->pw_name) : std::wstring();
  }
  return std::wstring();
}

std::wstring GroupName(gid_t gid) {
  std::vector<char> buffer(1024);
  for (int attempt = 0; attempt < 8; ++attempt) {
    group entry{};
    group* found = nullptr;
    int error = getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    return error == 0 && found != nullptr ? Utf8ToWide(found->gr_name) : std::wstring();
  }
  return std::wstring();
}

}  // namespace

std::wstring ProcessGroup::Text() const {
  std::wstring text = (isUser ? L"uid=" : L"gid=") + std::to_wstring(id);
  if (!name.empty()) text += L"(" + name + L")";
  return text;
}

bool GetProcessGroups(std::vector<ProcessGroup>& groups) {
  groups.clear();
  int count = getgroups(0, nullptr);
  if (count < 0) return false;
  std::vector<gid_t> supplementary(static_cast<std::size_t>(count));
  if (count > 0) {
    count = getgroups(count, supplementary.data());
    if (count < 0) return false;  // the list grew in between; the caller may ask again
    supplementary.resize(static_cast<std::size_t>(count));
  }
  uid_t user = geteuid();
  groups.push_back(ProcessGroup{true, user, UserName(user)});
  std::vector<gid_t> ids{getegid()};
  for (gid_t id : supplementary) {
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  }
  for (gid_t id : ids) groups.push_back(ProcessGroup{false, id, GroupName(id)});
  return true;
}

bool IsWellKnownGroup(const ProcessGroup& group, WellKnownGroup wellKnown) {
  switch (wellKnown) {
    case WellKnownGroup::Administrators:
      if (group.isUser) return group.id == 0;
      return group.name == L"sudo" || group.name == L"wheel" || group.name == L"admin";
    case WellKnownGroup::Users: return !group.isUser && group.name == L"users";
    case WellKnownGroup::PowerUsers: return false;
  }
  return false;
}

}  // namespace platform
