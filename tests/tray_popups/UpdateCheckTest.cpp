// The update check against a real HTTP server on 127.0.0.1:80 inside a network
// namespace of this process's own, with real sysinfo.xml and userinfo.xml files, the
// real popup answered from inside its modal loop and the clock pinned. Built twice:
// config.ini beside the program sets VersionCheckIntervalDays to 1 or to 7.
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "common/ConfigSettings.h"
#include "platform/ui/windows/MessageLoop.h"
#include "resources/tray/TrayResources.h"
#include "tests/platform_net/LoopbackHttpServer.h"
#include "tests/platform_net/OwnNetworkNamespace.h"
#include "tests/tray_data/TrayDataSupport.h"
#include "tests/tray_popups/PopupSandbox.h"
#include "tray/SysInfoFile.h"
#include "tray/UpdateCheck.h"
#include "tray/UserInfoFile.h"

namespace {

using namespace tray_popups_test;
using tray_data_test::DebugOutputCapture;
using corvane_test::LoopbackHttpServer;
using tray_data_test::Version;
namespace Common = Velunor::Quillon::Common;
namespace Resident = Velunor::Quillon::Resident;

constexpr char kDownloadPage[] = "http://download.example/sorane/download.html";
constexpr wchar_t kCheckUpdate[] = L"Velunor::Quillon::Resident::CTaskWindow::CheckUpdate";

std::string SysInfo(const std::string& installed, const std::string& checkDate = "",
                    const std::string& checkVersion = "") {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<system_info>\n";
  if (!installed.empty()) text += "    <version>" + installed + "</version>\n";
  if (!checkDate.empty()) {
    text += "    <update_chk>\n        <date>" + checkDate + "</date>\n        <version>" + checkVersion +
            "</version>\n    </update_chk>\n";
  }
  return text + "</system_info>\n";
}

std::string Yyyymmdd(const platform::DateTime& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", date.GetYear(), date.GetMonth(), date.GetDay());
  return text;
}

// Runs the process as another user with the groups given, for the life of the object.
class OtherIdentity {
 public:
  OtherIdentity(uid_t user, std::vector<gid_t> groups) {
    // The settings are read once per process, from config.ini beside the test program:
    // read them now, as the other user may not reach the build tree.
    Common::GetLogLevel();
    saved_.resize(static_cast<std::size_t>(getgroups(0, nullptr)));
    getgroups(static_cast<int>(saved_.size()), saved_.data());
    ok_ = setgroups(groups.size(), groups.data()) == 0 && setegid(groups.empty() ? 65534 : groups[0]) == 0 &&
          seteuid(user) == 0;
  }
  ~OtherIdentity() {
    if (seteuid(0) != 0 || setegid(0) != 0 || setgroups(saved_.size(), saved_.data()) != 0) std::abort();
  }
  bool Ok() const { return ok_; }

 private:
  std::vector<gid_t> saved_;
  bool ok_ = false;
};

class UpdateCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    if (geteuid() != 0 || !corvane_test::EnterOwnNetworkNamespace(reason)) {
      GTEST_SKIP() << "needs root and a network namespace of its own for port 80: " << reason;
    }
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
      unsetenv(name);
    }
    StartToolkit();
    sandbox = std::make_unique<Sandbox>();
    owner = std::make_unique<PopupOwner>();
    WriteFile(sandbox->InstallFolder() / "DebugUrlTest.txt",
              std::string(kDownloadPage) + "\nhttp://127.0.0.1/sorane/ver_check/version.xml\n");
    Common::LoadDebugUrlTest();
    server = std::make_unique<LoopbackHttpServer>([this](const std::string&) {
      std::lock_guard<std::mutex> guard(servedLock);
      return corvane_test::Response("HTTP/1.1 200 OK", served);
    });
    std::string error;
    ASSERT_TRUE(server->Start(80, error)) << error;
    Serve("1.0.4");
  }

  void TearDown() override {
    if (server) server->Stop();
  }

  void Serve(const std::string& version) {
    std::lock_guard<std::mutex> guard(servedLock);
    served = "<?xml version=\"1.0\"?>\n<version_info><version>" + version + "</version></version_info>\n";
  }
  void ServeBody(const std::string& body) {
    std::lock_guard<std::mutex> guard(servedLock);
    served = body;
  }
  std::size_t Requests() const { return server->RequestHeads().size(); }

  // One start of the tray program on day (from the first test day) at the hour: true
  // when the popup opened, answered so.
  bool StartOn(int day, int hour, Answer answer = Answer::CloseBox) {
    platform::DateTime date = DayOf(day);
    sandbox->PinClock(date.GetYear(), date.GetMonth(), date.GetDay(), hour, 30);
    int before = owner->PopupsSeen();
    owner->AnswerNext(answer);
    Resident::CUpdateCheck(Resident::GetTrayResources(), owner->Handle()).CheckUpdate();
    owner->Settle();
    return owner->PopupsSeen() > before;
  }
  // Day 0 is 2024-02-27, so the steps cross a leap day and a month end.
  static platform::DateTime DayOf(int day) {
    int year = 2024, month = 2, dayOfMonth = 27;
    for (int i = 0; i < day; ++i) {
      if (++dayOfMonth > platform::DateTime::DaysInMonth(year, month)) {
        dayOfMonth = 1;
        if (++month > 12) month = 1, ++year;
      }
    }
    return platform::DateTime(year, month, dayOfMonth);
  }

  void ExpectCheckRecord(int day, const std::wstring& version) {
    Resident::CSysInfoFile file(platform::Utf8ToWide(sandbox->SysInfoFile().string()));
    platform::DateTime date;
    Resident::CVersionNumber latest;
    ASSERT_EQ(file.GetUpdateCheck(date, latest), 1);
    EXPECT_EQ(date, DayOf(day));
    EXPECT_EQ(latest, Version(version));
  }
  void ExpectUserRecord(int day, const std::wstring& version, int count) {
    Resident::CUserInfoFile file(platform::Utf8ToWide(sandbox->UserInfoFile().string()));
    platform::DateTime date;
    Resident::CVersionNumber shown;
    int shownCount = 0;
    ASSERT_EQ(file.GetUpdateDate(date, shown, shownCount), 1);
    EXPECT_EQ(Yyyymmdd(date), Yyyymmdd(DayOf(day)));
    EXPECT_EQ(shown, Version(version));
    EXPECT_EQ(shownCount, count);
  }

  std::unique_ptr<Sandbox> sandbox;
  std::unique_ptr<PopupOwner> owner;
  std::unique_ptr<LoopbackHttpServer> server;
  std::mutex servedLock;
  std::string served;
};

TEST_F(UpdateCheck, OutsideAdministratorsNoDownloadNoPopup) {
  WriteFile(sandbox->SysInfoFile(), SysInfo("1.0.0"));
  passwd* nobody = getpwnam("nobody");
  group* users = getgrnam("users");
  ASSERT_NE(nobody, nullptr);
  ASSERT_NE(users, nullptr);
  struct Case {
    const char* name;
    std::vector<gid_t> groups;
  } cases[] = {{"member of users", {users->gr_gid}}, {"no group beyond its own", {nobody->pw_gid}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DebugOutputCapture capture;
    {
      OtherIdentity identity(nobody->pw_uid, c.groups);
      ASSERT_TRUE(identity.Ok());
      EXPECT_FALSE(StartOn(0, 10, Answer::Link));
    }
    int cancels = 0;
    for (const auto& entry : capture.Entries()) {
      EXPECT_EQ(entry.severity, L"DEBUG");
      if (entry.function == kCheckUpdate) {
        ++cancels;
        EXPECT_EQ(entry.message, L"CheckUpdate Cancel! User is not Administrator");
      }
    }
    EXPECT_EQ(cancels, 1);
  }
  EXPECT_EQ(Requests(), 0u);
  EXPECT_FALSE(boost::filesystem::exists(sandbox->UserInfoFile()));
  EXPECT_TRUE(sandbox->Opened(0).empty());
}

TEST_F(UpdateCheck, GroupsOfTheProcessAreNamedAndFlagged) {
  DebugOutputCapture capture;
  int flags = 0;
  ASSERT_EQ(Resident::CUpdateCheck::GetUserGroup(flags), 1);
  EXPECT_EQ(flags & Resident::CUpdateCheck::kAdministrators, Resident::CUpdateCheck::kAdministrators);
  ASSERT_FALSE(capture.Entries().empty());
  EXPECT_EQ(capture.Entries()[0].function, L"Velunor::Quillon::Resident::CTaskWindow::GetUserGroup");
  EXPECT_EQ(capture.Entries()[0].message, L"Groups[0] [uid=0(root)] is Admin");

  passwd* nobody = getpwnam("nobody");
  group* users = getgrnam("users");
  ASSERT_TRUE(nobody != nullptr && users != nullptr);
  DebugOutputCapture other;
  {
    OtherIdentity identity(nobody->pw_uid, {users->gr_gid});
    ASSERT_TRUE(identity.Ok());
    ASSERT_EQ(Resident::CUpdateCheck::GetUserGroup(flags), 1);
  }
  EXPECT_EQ(flags, Resident::CUpdateCheck::kUsers);
  std::vector<std::wstring> messages = other.Messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), L"Groups[1] [gid=" + std::to_wstring(users->gr_gid) +
                                                             L"(users)] is User"),
            messages.end());
}

TEST_F(UpdateCheck, IntervalDecidesWhenTheSiteIsAskedAgain) {
  const int interval = CHECK_INTERVAL_DAYS;
  Serve("1.0.0");
  struct Case {
    const char* name;
    int lastCheckDaysAgo;
    bool download;
  } cases[] = {
      {"one day short of the interval", interval - 1, false},
      {"the interval", interval, true},
      // The clock was once set ahead: the record would hold every check back until then.
      {"a check dated tomorrow", -1, true},
      {"long ago", 400, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int today = 500;
    WriteFile(sandbox->SysInfoFile(), SysInfo("1.0.0", Yyyymmdd(DayOf(today - c.lastCheckDaysAgo)), "1.0.0"));
    std::size_t before = Requests();
    EXPECT_FALSE(StartOn(today, 23));
    EXPECT_EQ(Requests() - before, c.download ? 1u : 0u);
    ExpectCheckRecord(c.download ? today : today - c.lastCheckDaysAgo, L"1.0.0");
  }
  // Up to date: userinfo.xml is never touched.
  EXPECT_FALSE(boost::filesystem::exists(sandbox->UserInfoFile()));
}

TEST_F(UpdateCheck, ACheckDatedFarAheadAsksTheSiteAndIsWrittenAnew) {
  // Up to date when the clock stood at the end of 2099; the site has a newer version now.
  WriteFile(sandbox->SysInfoFile(), SysInfo("1.0.0", "20991231", "1.0.0"));
  EXPECT_TRUE(StartOn(3, 10));
  EXPECT_EQ(Requests(), 1u);
  ExpectCheckRecord(3, L"1.0.4");
  ExpectUserRecord(3, L"1.0.4", 1);
  // Written anew, the record counts the interval from today.
  EXPECT_FALSE(StartOn(3, 11));
  EXPECT_EQ(Requests(), 1u);
}

TEST_F(UpdateCheck, ReminderOncePerDayWhileTheInstalledVersionIsOlder) {
  WriteFile(sandbox->SysInfoFile(), SysInfo("1.0.0"));
  // Whether the start asks the site: with a one-day interval on every new day, with
  // seven days only at the first start.
  struct Step {
    int day;
    int hour;
    bool popup;
    int count;
    bool asksEveryDay;
    bool asksEverySevenDays;
  } steps[] = {{0, 10, true, 1, true, true},   {0, 18, false, 1, false, false}, {1, 0, true, 2, true, false},
               {2, 9, true, 3, true, false},   {2, 23, false, 3, false, false}, {5, 9, true, 4, true, false}};
  static_assert(CHECK_INTERVAL_DAYS == 1 || CHECK_INTERVAL_DAYS == 7, "the steps know these two intervals");
  int lastCheck = -1;
  int lastPopup = -1;
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "day " << step.day << " hour " << step.hour);
    std::size_t before = Requests();
    EXPECT_EQ(StartOn(step.day, step.hour), step.popup);
    const bool asks = CHECK_INTERVAL_DAYS == 1 ? step.asksEveryDay : step.asksEverySevenDays;
    EXPECT_EQ(Requests() - before, asks ? 1u : 0u);
    if (asks) lastCheck = step.day;
    if (step.popup) lastPopup = step.day;
    ExpectCheckRecord(lastCheck, L"1.0.4");
    ExpectUserRecord(lastPopup, L"1.0.4", step.count);
  }
  EXPECT_TRUE(sandbox->Opened(0).empty()) << "closing the popup opens nothing";

  // A different latest version shows the popup again the same day, counting from 1.
  WriteFile(sandbox->SysInfoFile(), SysInfo("1.0.0", Yyyymmdd(DayOf(5)), "1.0.5"));
  EXPECT_TRUE(StartOn(5, 20, Answer::Link));
  ExpectUserRecord(5, L"1.0.5", 1);
  EXPECT_EQ(sandbox->Opened(1), std::vector<std::string>{kDownloadPage});
  EXPECT_FALSE(StartOn(5, 21));
}

TEST_F(UpdateCheck, NoPopupWhenTheInstalledVersionIsNotOlder) {
  for (const char* installed : {"1.0.4", "1.0.5", "2.0.0"}) {
    SCOPED_TRACE(installed);
    WriteFile(sandbox->SysInfoFile(), SysInfo(installed));
    EXPECT_FALSE(StartOn(0, 10, Answer::Link));
    ExpectCheckRecord(0, L"1.0.4");
  }
  EXPECT_FALSE(boost::filesystem::exists(sandbox->UserInfoFile()));
}

TEST_F(UpdateCheck, FailedDownloadLeavesTheRecordsSoTheNextStartAsksAgain) {
  WriteFile(sandbox->SysInfoFile(), SysInfo("1.0.0", Yyyymmdd(DayOf(0)), "1.0.0"));
  const std::string before = ReadFile(sandbox->SysInfoFile());
  for (const std::string& body : {std::string("<html>busy</html>"),
                                  std::string("<version_info><version>1.0</version></version_info>"), std::string(),
                                  tray_data_test::DeeplyNestedBody(60000)}) {
    SCOPED_TRACE(body.substr(0, 40));
    ServeBody(body);
    EXPECT_FALSE(StartOn(30, 10));
    EXPECT_EQ(ReadFile(sandbox->SysInfoFile()), before);
  }
  EXPECT_FALSE(boost::filesystem::exists(sandbox->UserInfoFile()));
  Serve("1.0.4");
  EXPECT_TRUE(StartOn(30, 11));
  ExpectCheckRecord(30, L"1.0.4");
}

TEST_F(UpdateCheck, WithoutAnInstalledVersionNothingHappens) {
  for (const std::string& sysInfo : {std::string(), SysInfo(""), std::string("<system_info><version>1.0")}) {
    if (sysInfo.empty()) {
      boost::filesystem::remove(sandbox->SysInfoFile());
    } else {
      WriteFile(sandbox->SysInfoFile(), sysInfo);
    }
    EXPECT_FALSE(StartOn(0, 10));
  }
  EXPECT_EQ(Requests(), 0u);
  EXPECT_FALSE(boost::filesystem::exists(sandbox->UserInfoFile()));
}

TEST_F(UpdateCheck, ReminderCountFromTheFileStopsAtTheLargestNumber) {
  WriteFile(sandbox->SysInfoFile(), SysInfo("1.0.0", Yyyymmdd(DayOf(1)), "1.0.4"));
  Resident::CUserInfoFile(platform::Utf8ToWide(sandbox->UserInfoFile().string()))
      .SetUpdateDate(DayOf(0), Version(L"1.0.4"), 2147483647);
  EXPECT_TRUE(StartOn(1, 10));
  ExpectUserRecord(1, L"1.0.4", 2147483647);
}

}  // namespace
