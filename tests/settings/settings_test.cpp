// Settings and folders: the host folder, the two settings sections, the
// environment's 260-byte rule and the temporary folder.
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <stdexcept>
#include <string>

#include "platform/platform.h"
#include "support/scratch_folder.h"

namespace kivo {
namespace {

using kivo::testing::ScratchFolder;

// Sets an environment variable for one test and puts it back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    Set(name, value);
  }
  ~ScopedEnv() { Set(name_.c_str(), had_ ? old_.c_str() : nullptr); }

 private:
  static void Set(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");  // "" removes it
#else
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
#endif
  }

  std::string name_;
  std::string old_;
  bool had_ = false;
};

#ifdef _WIN32
TEST(HostDir, FromProgramPath) {
  EXPECT_EQ(HostDirFromProgramPath("D:\\Apps\\Host\\Plugins\\kivo.exe"),
            "D:\\Apps\\Host\\Plugins\\..");
  EXPECT_EQ(
      HostFile(HostDirFromProgramPath("D:\\Apps\\Host\\Plugins\\kivo.exe"), kSettingsFileName),
      "D:\\Apps\\Host\\Plugins\\..\\Quillcast.ini");
  EXPECT_EQ(HostDirFromProgramPath("C:\\kivo.exe"), "C:\\..");
  EXPECT_EQ(HostDirFromProgramPath("C:kivo.exe"), "C:\\..");
  // "表" is 95 5C: its second byte is no separator.
  EXPECT_EQ(HostDirFromProgramPath("C:\\\x95\x5c\\kivo.exe"), "C:\\\x95\x5c\\..");
  EXPECT_EQ(HostDirFromProgramPath("C:\\a\\\x95\x5c"), "C:\\a\\..");
}
#else
TEST(HostDir, FromProgramPath) {
  EXPECT_EQ(HostDirFromProgramPath("/opt/Host/Plugins/kivo"), "/opt/Host/Plugins/..");
  EXPECT_EQ(HostFile(HostDirFromProgramPath("/opt/Host/Plugins/kivo"), kSettingsFileName),
            "/opt/Host/Plugins/../Quillcast.ini");
  // A program in the root: the root followed by "..", which is the root.
  EXPECT_EQ(HostDirFromProgramPath("/kivo"), "/..");
  EXPECT_EQ(HostDirFromProgramPath("/\x95\x5c/kivo"), "/\x95\x5c/..");
  // No folder at all: a separator is added before "..".
  EXPECT_EQ(HostDirFromProgramPath("kivo"), "/..");
}

TEST(HostDir, Utf8FolderNameEndingInALeadByteValue) {
  // Linux paths are UTF-8: テ is E3 83 86 and ダ E3 83 80. The 86 of テ is a
  // Shift-JIS lead-byte value, but the "/" after it cannot complete it.
  EXPECT_EQ(HostDirFromProgramPath("/opt/host\xE3\x83\x86/kivo"), "/opt/host\xE3\x83\x86/..");
  EXPECT_EQ(HostDirFromProgramPath("/opt/\xE3\x83\x86\xE3\x83\x80/Plugins/kivo"),
            "/opt/\xE3\x83\x86\xE3\x83\x80/Plugins/..");
  EXPECT_EQ(HostDirFromProgramPath("/opt/host\xE3\x83\x86/\xE3\x83\x86/kivo"),
            "/opt/host\xE3\x83\x86/\xE3\x83\x86/..");
  // A lead byte just before the program's separator, with nothing else.
  EXPECT_EQ(HostDirFromProgramPath("/\x95/kivo"), "/\x95/..");
}
#endif

class SettingsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::CreateFolder(host_ / "Plugins"));
    host_dir_ = HostDirFromProgramPath(host_ / "Plugins/kivo");
    ini_ = host_ / "Quillcast.ini";
  }
  ScratchFolder host_;
  std::string host_dir_;
  std::string ini_;
};

TEST_F(SettingsFiles, ReadsThroughTheHostFolder) {
  ScratchFolder::Put(ini_,
                     "[TSetup]\r\nDataDeleteDays_Text=60\r\nDLBeforeDays=99\r\n"
                     "[kivo]\r\nDLBeforeDays= 14\r\n");
  EXPECT_EQ(ReadSetupValue(host_dir_, kDataDeleteDaysKey), "60");
  EXPECT_EQ(ReadPluginValue(host_dir_, kBeforeDaysKey), "14");
  EXPECT_EQ(ReadPluginValue(host_dir_, kDataDeleteDaysKey), "");
  EXPECT_EQ(ReadSetupValue(host_dir_, "Missing"), "");
}

TEST_F(SettingsFiles, MissingFileReadsEmptyAndWriteCreatesIt) {
  EXPECT_EQ(ReadPluginValue(host_dir_, kBeforeDaysKey), "");
  EXPECT_EQ(ReadSetupValue(host_dir_, kDataDeleteDaysKey), "");
  WritePluginValue(host_dir_, kBeforeDaysKey, "30");
  EXPECT_EQ(ScratchFolder::Get(ini_), "[kivo]\r\nDLBeforeDays=30\r\n");
}

TEST_F(SettingsFiles, WriteLeavesTheHostSectionByteForByte) {
  // "TSetup" as the host writes it, with a Shift-JIS value ("表示" 95 5C 8E A6,
  // whose 5C must stay a plain byte) and no final line end.
  const std::string host_section =
      "[TSetup]\r\nDataDeleteDays_Text=60\r\nLabel=\x95\x5c\x8e\xa6\r\n;note\r\n"
#ifdef _WIN32
      // The system's profile functions write here; some rewrite a spaced
      // line of the section they pass, so only the plain form is pinned.
      "Last=x";
#else
      "Last = x ";
#endif
  ScratchFolder::Put(ini_, host_section);
  WritePluginValue(host_dir_, kBeforeDaysKey, "7");
  WritePluginValue(host_dir_, kBeforeDaysKey, "8");
  EXPECT_EQ(ScratchFolder::Get(ini_), host_section + "\r\n[kivo]\r\nDLBeforeDays=8\r\n");
  EXPECT_EQ(ReadPluginValue(host_dir_, kBeforeDaysKey), "8");
}

TEST_F(SettingsFiles, WriteFailureMessage) {
  ScratchFolder::Put(host_ / "plain", "a file, not a folder");
  const std::string bad_dir = host_ / "plain";
  try {
    WritePluginValue(bad_dir, kBeforeDaysKey, "30");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    // "<path> に書き込めません"
    EXPECT_EQ(std::string(e.what()),
              bad_dir + platform::PathSeparator() +
                  "Quillcast.ini"
                  " \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1");
  }
  EXPECT_EQ(ScratchFolder::Get(host_ / "plain"), "a file, not a folder");
}

TEST_F(SettingsFiles, ShopBaseUrl) {
  EXPECT_EQ(ShopBaseUrl(host_dir_), "https://www.kivo.co.jp");
  WritePluginValue(host_dir_, kBaseUrlKey, "");
  EXPECT_EQ(ShopBaseUrl(host_dir_), kDefaultBaseUrl);
  WritePluginValue(host_dir_, kBaseUrlKey, "http://127.0.0.1:8080/");
  EXPECT_EQ(ShopBaseUrl(host_dir_), "http://127.0.0.1:8080");
  WritePluginValue(host_dir_, kBaseUrlKey, "http://127.0.0.1:8080");
  EXPECT_EQ(ShopBaseUrl(host_dir_), "http://127.0.0.1:8080");
}

TEST(Environment, GetEnvStrTrimsAndKeepsTheBufferRule) {
  {
    ScopedEnv env("KIVO_TEST_ENV", " \t/var/tmp\x01 \r\n");
    EXPECT_EQ(GetEnvStr("KIVO_TEST_ENV"), "/var/tmp");
  }
  {
    ScopedEnv env("KIVO_TEST_ENV", (" " + std::string(258, 'x')).c_str());  // 259 bytes
    EXPECT_EQ(GetEnvStr("KIVO_TEST_ENV"), std::string(258, 'x'));
  }
  {
    ScopedEnv env("KIVO_TEST_ENV", std::string(260, 'x').c_str());
    EXPECT_EQ(GetEnvStr("KIVO_TEST_ENV"), "");
  }
  {
    // Trimming comes after the size test: 260 bytes do not fit even when
    // most of them are blanks.
    ScopedEnv env("KIVO_TEST_ENV", ("abc" + std::string(257, ' ')).c_str());
    EXPECT_EQ(GetEnvStr("KIVO_TEST_ENV"), "");
  }
  ScopedEnv env("KIVO_TEST_ENV", nullptr);
  EXPECT_EQ(GetEnvStr("KIVO_TEST_ENV"), "");
}

#ifdef _WIN32
TEST(Environment, GetTempDirIsNeverTheRoot) {
  {
    ScopedEnv env("temp", nullptr);
    EXPECT_EQ(GetTempDir(), platform::SystemTempFolder());
    EXPECT_NE(GetTempDir(), "\\");
  }
  {
    ScopedEnv env("temp", " C:\\Temp ");
    EXPECT_EQ(GetTempDir(), "C:\\Temp\\");
  }
  {
    ScopedEnv env("temp", "C:\\Temp\\");
    EXPECT_EQ(GetTempDir(), "C:\\Temp\\");
  }
}

TEST(Environment, GetTempDirSeesAShiftJisSecondByte) {
  // "表" (95 5C) ends the value: its second byte is no separator.
  ScopedEnv env("temp", "C:\\\x95\x5c");
  if (GetEnvStr("temp") != "C:\\\x95\x5c") {
    GTEST_SKIP() << "the ANSI code page here is not 932";
  }
  EXPECT_EQ(GetTempDir(), "C:\\\x95\x5c\\");
}
#else
TEST(Environment, GetTempDirIsNeverTheRoot) {
  {
    ScopedEnv env("TMPDIR", nullptr);
    EXPECT_EQ(GetTempDir(), "/tmp/");
  }
  {
    ScopedEnv env("TMPDIR", "");
    EXPECT_EQ(GetTempDir(), "/tmp/");
  }
  {
    ScopedEnv env("TMPDIR", "  ");
    EXPECT_EQ(GetTempDir(), "/tmp/");
  }
  {
    ScopedEnv env("TMPDIR", " /var/tmp ");
    EXPECT_EQ(GetTempDir(), "/var/tmp/");
  }
  {
    ScopedEnv env("TMPDIR", "/var/tmp/");
    EXPECT_EQ(GetTempDir(), "/var/tmp/");
  }
  {
    // Too long for the 260-byte buffer: /tmp/, not the refused value read
    // again without the limit and the trimming.
    const std::string long_dir = "/" + std::string(300, 'd');
    ScopedEnv env("TMPDIR", long_dir.c_str());
    EXPECT_EQ(GetTempDir(), "/tmp/");
  }
  {
    const std::string long_dir = " /var/tmp" + std::string(291, ' ');  // 300 bytes
    ScopedEnv env("TMPDIR", long_dir.c_str());
    EXPECT_EQ(GetTempDir(), "/tmp/");
  }
  {
    // 259 bytes still fit; trimmed, with the separator added.
    const std::string dir = "/" + std::string(257, 'd');
    ScopedEnv env("TMPDIR", (dir + " ").c_str());
    EXPECT_EQ(GetTempDir(), dir + "/");
  }
}
#endif

}  // namespace
}  // namespace kivo
