#include "platform/service/runner/ServiceUser.h"

#include <grp.h>
#include <linux/capability.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fstream>

namespace platform {

std::optional<ServiceUser> FindServiceUser(const std::string& name) {
  const passwd* entry = getpwnam(name.c_str());
  if (entry == nullptr) return std::nullopt;
  return ServiceUser{name, entry->pw_uid, entry->pw_gid};
}

int CapabilityNumber(const std::string& name) {
  // The ones a packet counter may be given.
  if (name == "CAP_NET_ADMIN") return CAP_NET_ADMIN;
  if (name == "CAP_NET_RAW") return CAP_NET_RAW;
  return -1;
}

int LastCapability() {
  std::ifstream file("/proc/sys/kernel/cap_last_cap");
  int last = CAP_LAST_CAP;
  file >> last;
  return last;
}

int BecomeServiceUser(const ServiceUser& user, const std::vector<int>& capabilities, int lastCapability,
                      const char*& step) {
  const auto kept = [&](int capability) {
    return std::find(capabilities.begin(), capabilities.end(), capability) != capabilities.end();
  };
  step = "drop the other capabilities";
  for (int capability = 0; capability <= lastCapability; ++capability) {
    if (!kept(capability) && prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0) return errno;
  }
  step = "set the user";
  if (prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) != 0 || initgroups(user.name.c_str(), user.gid) != 0 ||
      setresgid(user.gid, user.gid, user.gid) != 0 || setresuid(user.uid, user.uid, user.uid) != 0) {
    return errno;
  }
  step = "set the capabilities";
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct sets[_LINUX_CAPABILITY_U32S_3] = {};
  for (int capability : capabilities) {
    const std::uint32_t bit = 1u << (capability % 32);
    sets[capability / 32].effective |= bit;
    sets[capability / 32].permitted |= bit;
    sets[capability / 32].inheritable |= bit;
  }
  if (syscall(SYS_capset, &header, sets) != 0) return errno;
  for (int capability : capabilities) {
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_RAISE, capability, 0, 0) != 0) return errno;
  }
  step = "refuse new privileges";
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return errno;
  step = "enter /";
  if (chdir("/") != 0) return errno;
  return 0;
}

}  // namespace platform
