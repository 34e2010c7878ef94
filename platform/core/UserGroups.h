#pragma once
// Who the calling process runs as, in the terms of the well-known groups the programs
// ask about. Administrators: effective user id 0, or a member of sudo, wheel or admin.
// Users: a member of users. Power Users has no counterpart here and matches nothing.
#include <string>
#include <vector>

namespace platform {

// The numbers the programs were written against.
enum class WellKnownGroup { Administrators = 26, Users = 27, PowerUsers = 29 };

// One entry of the process's identity.
struct ProcessGroup {
  bool isUser = false;  // the effective user (listed first) rather than a group
  unsigned int id = 0;  // user or group id
  std::wstring name;    // from the user or group database; empty when it has none

  // "uid=0(root)", "gid=27(sudo)", or "gid=1234" for a group without a name.
  std::wstring Text() const;
};

// The effective user, then the effective group and the supplementary groups, each once.
// False (groups emptied) when the lists cannot be read.
bool GetProcessGroups(std::vector<ProcessGroup>& groups);

bool IsWellKnownGroup(const ProcessGroup& group, WellKnownGroup wellKnown);

}  // namespace platform
