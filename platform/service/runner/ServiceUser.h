#pragma once
// The user and the capabilities a service runs with: what a unit's User= and
// AmbientCapabilities= give it under systemd.
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace platform {

struct ServiceUser {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;
};

// The user of that name; nothing when there is none.
std::optional<ServiceUser> FindServiceUser(const std::string& name);

// The number of a capability named as systemd names it ("CAP_NET_RAW"); -1 for a name
// the runner does not know.
int CapabilityNumber(const std::string& name);

// The highest capability number the running kernel knows.
int LastCapability();

// In the service's process, between fork and exec, as root: becomes the service user
// and keeps only the capabilities given, in every set including the ambient one, so
// that they survive the exec of a program without file capabilities. Plain system calls
// (no library): the bounding set goes first, while the capability to change it is still
// there; PR_SET_KEEPCAPS carries the permitted set across setuid; capset and
// PR_CAP_AMBIENT_RAISE then keep exactly the listed ones. Returns 0, or errno with step
// naming what failed.
int BecomeServiceUser(const ServiceUser& user, const std::vector<int>& capabilities, int lastCapability,
                      const char*& step);

}  // namespace platform
