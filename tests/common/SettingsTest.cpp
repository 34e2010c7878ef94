#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "common/ConfigSettings.h"
#include "tests/TestSandbox.h"

using corvane_test::TempFolder;
using corvane_test::WriteFile;

namespace {

// Runs the probe from an installation folder of its own and returns its key=value lines.
std::map<std::string, std::string> RunProbe(const TempFolder& install, const std::string& arguments) {
  const auto probe = install.path() / "probe";
  if (!boost::filesystem::exists(probe)) boost::filesystem::copy_file(FOUNDATION_PROBE, probe);
  std::map<std::string, std::string> values;
  FILE* pipe = popen((probe.string() + " " + arguments).c_str(), "r");
  if (pipe == nullptr) return values;
  char line[4096];
  while (std::fgets(line, sizeof(line), pipe) != nullptr) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    const auto equals = text.find('=');
    if (equals != std::string::npos) values[text.substr(0, equals)] = text.substr(equals + 1);
  }
  pclose(pipe);
  return values;
}

}  // namespace

TEST(Settings, PopupTextsWithoutAKeyAreEmpty) {
  EXPECT_EQ(std::wstring(Velunor::Quillon::Common::kDefaultGuidNotificationWndText01), L"");
  EXPECT_EQ(std::wstring(Velunor::Quillon::Common::kDefaultUpdateNotificationWndText01), L"");
}

TEST(Settings, ValuesFromConfigIni) {
  struct Case {
    const char* name;
    std::string ini;
    std::map<std::string, std::string> expected;
  } cases[] = {
      {"no section: defaults, load succeeds", "LogLevel=5\r\n",
       {{"LogLevel", "0"}, {"BufferSize", "64"}, {"XMLWriteIntervalSec", "600"}, {"ExclusionListFilePath", "/exclusion.dat"}}},
      {"values read", "[Config]\nLogLevel=3\nBufferSize=+16\nXMLWriteIntervalSec=-5\nNicWatchIntervalSec=2\n",
       {{"LogLevel", "3"}, {"BufferSize", "16"}, {"XMLWriteIntervalSec", "-5"}, {"NicWatchIntervalSec", "2"}}},
      {"unparseable keeps built-in", "[Config]\nLogLevel=\nBufferSize=32MB\nXMLWriteIntervalSec=2147483648\n",
       {{"LogLevel", "0"}, {"BufferSize", "64"}, {"XMLWriteIntervalSec", "600"}}},
      {"clamps", "[Config]\nPAYGUnitSize=0\nVersionCheckIntervalDays=100\n",
       {{"PAYGUnitSize", "10485760"}, {"VersionCheckIntervalDays", "1"}}},
      {"clamp keeps 99", "[Config]\nVersionCheckIntervalDays=99\n", {{"VersionCheckIntervalDays", "99"}}},
      {"clamp of negative", "[Config]\nVersionCheckIntervalDays=-3\nPAYGUnitSize=-1\n",
       {{"VersionCheckIntervalDays", "1"}, {"PAYGUnitSize", "10485760"}}},
      {"empty exclusion name is the folder", "[Config]\nExclusionListFileName=\n", {{"ExclusionListFilePath", "/"}}},
      {"absolute exclusion name appended", "[Config]\nExclusionListFileName=/etc/x.dat\n",
       {{"ExclusionListFilePath", "//etc/x.dat"}}},
      {"popup texts as read", "[Config]\nGuidNotificationWndText01=a\\nb\nUpdateNotificationWndText01=更新\n",
       {{"Guid", "a\\nb"}, {"Update", "更新"}}},
      {"long value cut to 254", "[Config]\nGuidNotificationWndText01=" + std::string(400, 'g') + "\n",
       {{"Guid", std::string(254, 'g')}}},
  };
  for (const auto& c : cases) {
    TempFolder install;
    WriteFile(install.path() / "config.ini", c.ini);
    auto values = RunProbe(install, "settings");
    for (const auto& [key, value] : c.expected) {
      std::string expected = value;
      // Paths are relative to the installation folder.
      if (key == "ExclusionListFilePath") expected = install.str() + value;
      EXPECT_EQ(values[key], expected) << c.name << ": " << key;
    }
  }
}

TEST(Settings, WithoutConfigIniBuiltInsAndLateFilePickedUp) {
  TempFolder install;
  auto values = RunProbe(install, "settings");
  EXPECT_EQ(values["ExclusionListFilePath"], "exclusion.dat");
  EXPECT_EQ(values["LogLevel"], "0");
  EXPECT_EQ(values["TopPageUrl"], "https://www.zembrolite.example/");
  EXPECT_EQ(values["VersionCheckUrl"], "http://www.zembrolite.example/sorane/mervix_v2/ver_check/version.xml");

  values = RunProbe(install, "late '[Config]\nLogLevel=3\n'");
  EXPECT_EQ(values["before"], "0");
  EXPECT_EQ(values["after"], "3");
}

TEST(Settings, DebugUrlTestReplacesUpToThreeUrls) {
  struct Case {
    std::string file;
    std::string download, version, comparison;
  } cases[] = {
      {"http://a/dl\r\nhttp://b/ver.xml\r\n", "http://a/dl", "http://b/ver.xml",
       "http://www.zembrolite.example/sorane/mervix/hikaku.php"},
      {"\nx\ny\nz\n", "", "x", "y"},
      {std::string(300, 'u') + "\n", std::string(255, 'u'), std::string(45, 'u'),
       "http://www.zembrolite.example/sorane/mervix/hikaku.php"},
  };
  for (const auto& c : cases) {
    corvane_test::Sandbox sandbox;
    TempFolder install;
    WriteFile(sandbox.Root() / "opt/Hoxa/Zembrolite/DebugUrlTest.txt", c.file);
    auto values = RunProbe(install, "debug-url");
    EXPECT_EQ(values["DownloadUrl"], c.download);
    EXPECT_EQ(values["VersionCheckUrl"], c.version);
    EXPECT_EQ(values["ComparisonPageUrl"], c.comparison);
  }
  corvane_test::Sandbox empty;
  TempFolder install;
  EXPECT_EQ(RunProbe(install, "debug-url")["DownloadUrl"],
            "http://www.zembrolite.example/sorane/mervix_v2/download.html#download");
}
