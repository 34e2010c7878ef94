// The process's user and groups in the terms of the well-known groups, read from this
// process and from a child that gave up root for an unprivileged user.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/core/TextCodec.h"
#include "platform/core/UserGroups.h"

namespace {

using platform::ProcessGroup;
using platform::WellKnownGroup;

TEST(UserGroupsTest, TextNamesTheEntryAndItsId) {
  EXPECT_EQ((ProcessGroup{true, 0, L"root"}.Text()), L"uid=0(root)");
  EXPECT_EQ((ProcessGroup{false, 27, L"sudo"}.Text()), L"gid=27(sudo)");
  EXPECT_EQ((ProcessGroup{false, 4321, L""}.Text()), L"gid=4321");
}

TEST(UserGroupsTest, AdministratorsAreRootAndTheAdministrationGroupsUsersAreTheUsersGroup) {
  struct Case {
    ProcessGroup group;
    bool administrators;
    bool users;
  };
  const Case cases[] = {
      {{true, 0, L"root"}, true, false},
      {{true, 1000, L"sudo"}, false, false},  // a user named like a group is still a user
      {{false, 0, L"root"}, false, false},    // only the effective user id 0 counts
      {{false, 27, L"sudo"}, true, false},
      {{false, 10, L"wheel"}, true, false},
      {{false, 4, L"admin"}, true, false},
      {{false, 4, L"adm"}, false, false},
      {{false, 100, L"users"}, false, true},
      {{false, 100, L"Users"}, false, false},
      {{false, 1234, L""}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::WideToUtf8(c.group.Text()));
    EXPECT_EQ(platform::IsWellKnownGroup(c.group, WellKnownGroup::Administrators), c.administrators);
    EXPECT_EQ(platform::IsWellKnownGroup(c.group, WellKnownGroup::Users), c.users);
    EXPECT_FALSE(platform::IsWellKnownGroup(c.group, WellKnownGroup::PowerUsers));
  }
}

TEST(UserGroupsTest, ThisProcessListsItsEffectiveUserFirstThenEachGroupOnce) {
  std::vector<ProcessGroup> groups;
  ASSERT_TRUE(platform::GetProcessGroups(groups));
  ASSERT_GE(groups.size(), 2u);
  EXPECT_TRUE(groups[0].isUser);
  EXPECT_EQ(groups[0].id, geteuid());
  EXPECT_FALSE(groups[1].isUser);
  EXPECT_EQ(groups[1].id, getegid());
  std::vector<unsigned int> ids;
  for (std::size_t i = 1; i < groups.size(); ++i) {
    EXPECT_FALSE(groups[i].isUser);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), groups[i].id), 0) << "group listed twice: " << groups[i].id;
    ids.push_back(groups[i].id);
  }
}

// In a child: becomes user and group 65534 with the given supplementary groups, then
// answers through its exit code: bit 0 administrator, bit 1 users, bit 2 read failed.
int ChildVerdict(const std::vector<gid_t>& supplementary) {
  pid_t child = fork();
  if (child == 0) {
    if (setgroups(supplementary.size(), supplementary.data()) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    std::vector<ProcessGroup> groups;
    if (!platform::GetProcessGroups(groups)) _exit(4);
    int verdict = 0;
    for (const ProcessGroup& group : groups) {
      if (platform::IsWellKnownGroup(group, WellKnownGroup::Administrators)) verdict |= 1;
      if (platform::IsWellKnownGroup(group, WellKnownGroup::Users)) verdict |= 2;
    }
    _exit(verdict);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(UserGroupsTest, AnUnprivilegedUserIsAdministratorOnlyThroughAnAdministrationGroup) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to start a child as another user";
  // getgrnam answers in one static record: take each id before the next lookup.
  group* found = getgrnam("users");
  if (found == nullptr) GTEST_SKIP() << "this machine has no 'users' group";
  gid_t users = found->gr_gid;
  found = getgrnam("sudo");
  if (found == nullptr) GTEST_SKIP() << "this machine has no 'sudo' group";
  gid_t sudo = found->gr_gid;
  EXPECT_EQ(ChildVerdict({}), 0);
  EXPECT_EQ(ChildVerdict({users}), 2);
  EXPECT_EQ(ChildVerdict({sudo}), 1);
  EXPECT_EQ(ChildVerdict({users, sudo}), 3);
}

TEST(UserGroupsTest, RootIsAdministrator) {
  if (geteuid() != 0) GTEST_SKIP() << "the test process does not run as root";
  std::vector<ProcessGroup> groups;
  ASSERT_TRUE(platform::GetProcessGroups(groups));
  EXPECT_TRUE(platform::IsWellKnownGroup(groups[0], WellKnownGroup::Administrators));
  EXPECT_EQ(groups[0].Text(), L"uid=0(root)");
}

}  // namespace
