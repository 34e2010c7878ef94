// The runner's end of the notify protocol: what a datagram says and who sent it.
#include "platform/service/runner/NotifySocket.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "tests/TestSandbox.h"

namespace {

using platform::NotifySocket;
using Assignments = std::vector<std::pair<std::string, std::string>>;

bool Send(const std::string& path, const std::string& text) {
  const int descriptor = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  const bool sent = sendto(descriptor, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&address),
                           sizeof(address)) == static_cast<ssize_t>(text.size());
  close(descriptor);
  return sent;
}

TEST(NotifySocket, GivesEachDatagramsAssignmentsAndItsSender) {
  corvane_test::TempFolder folder;
  const std::string path = (folder.path() / "svc.notify").string();
  corvane_test::WriteFile(path, "left from an earlier run\n");
  NotifySocket socket;
  ASSERT_TRUE(socket.Open(path)) << std::strerror(errno);
  struct stat status {};
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_TRUE(S_ISSOCK(status.st_mode));
  EXPECT_EQ(status.st_mode & 0777, 0666u) << "a service user must be able to write to it";
  EXPECT_FALSE(socket.Receive()) << "nothing waits yet";

  ASSERT_TRUE(Send(path, "READY=1\nSTATUS=rate=5\nno assignment\n\nERRNO=5"));
  std::optional<NotifySocket::Message> message = socket.Receive();
  ASSERT_TRUE(message);
  EXPECT_EQ(message->sender, getpid());
  EXPECT_EQ(message->assignments, (Assignments{{"READY", "1"}, {"STATUS", "rate=5"}, {"ERRNO", "5"}}));

  const pid_t child = fork();
  if (child == 0) _exit(Send(path, "STOPPING=1\n") ? 0 : 1);
  int childStatus = 0;
  ASSERT_EQ(waitpid(child, &childStatus, 0), child);
  ASSERT_EQ(childStatus, 0);
  message = socket.Receive();
  ASSERT_TRUE(message);
  EXPECT_EQ(message->sender, child);
  EXPECT_EQ(message->assignments, (Assignments{{"STOPPING", "1"}}));
  EXPECT_FALSE(socket.Receive());

  socket.Remove();
  EXPECT_FALSE(boost::filesystem::exists(path));
}

TEST(NotifySocket, APathTooLongForASocketIsRefused) {
  const std::string longest(sizeof(sockaddr_un::sun_path) - 1, 'a');
  EXPECT_TRUE(NotifySocket::FitsPath(longest));
  EXPECT_FALSE(NotifySocket::FitsPath(longest + "a"));
  NotifySocket socket;
  EXPECT_FALSE(socket.Open("/" + longest));
  EXPECT_EQ(errno, ENAMETOOLONG);
}

}  // namespace
