#include "log/log_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "about/version.h"
#include "about/version_values.h"
#include "platform/datetime.h"
#include "platform/platform.h"
#include "support/fake_run_host.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kivo-log-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "Quillcas.log").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Contents() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // A clock at 2026-12-06 18:54:00 that stays there.
  testing::FakeRunHost& FixedClock() {
    const double t = EncodeDateTime({{2026, 12, 6}, 18, 54, 0, 0});
    host_.clock = [t] { return t; };
    return host_;
  }
  // A clock that reads `clock`.
  testing::FakeRunHost& Clock(std::function<double()> clock) {
    host_.clock = std::move(clock);
    return host_;
  }
  static std::string VersionLine() {
    TVersion v;
    ReadVersionInfo(platform::ProgramPath(), v);
    return "Version " + v.FileVersion + "\r\n";
  }

  fs::path dir_;
  std::string path_;
  testing::FakeRunHost host_;
};

TEST_F(LogFileTest, OffWritesNothingAndCreatesNoFile) {
  TLogFile log(FixedClock());
  log.SetLogFileName(path_);
  EXPECT_FALSE(log.WriteLog("hello", false));
  EXPECT_FALSE(log.WriteLog("hello", true));
  log.SetActive(false);  // off to off: no end line
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(LogFileTest, StartAndVersionLines) {
  TLogFile log(FixedClock());
  log.SetLogFileName(path_);
  log.SetActive(true);
  EXPECT_TRUE(log.Active());
  EXPECT_EQ(Contents(), "--- START ---\t2026-12-06 18:54:00\r\n" + VersionLine());
  // The test program is the program itself, so the version is the real one.
  EXPECT_EQ(VersionLine(), std::string("Version ") + KIVO_FILE_VERSION + "\r\n");
}

TEST_F(LogFileTest, SwitchingOnTwiceWritesTwoStartPairs) {
  TLogFile log(FixedClock());
  log.SetLogFileName(path_);
  log.SetActive(true);
  log.SetActive(true);
  const std::string pair = "--- START ---\t2026-12-06 18:54:00\r\n" + VersionLine();
  EXPECT_EQ(Contents(), pair + pair);
}

TEST_F(LogFileTest, MessageAndErrorLinesAreExact) {
  TLogFile log(FixedClock());
  log.SetLogFileName(path_);
  log.SetActive(true);
  const std::string before = Contents();
  // "停止ボタン押下" in Shift-JIS: bytes pass untouched.
  const std::string sjis = "\x92\xe2\x8e\x7e\x83\x7b\x83\x5e\x83\x93\x89\x9f\x89\xba";
  EXPECT_TRUE(log.WriteLog(sjis, false));
  EXPECT_TRUE(log.WriteLog("kivo\x8e\xb8\x94\x73.", true));
  EXPECT_EQ(Contents(),
            before + sjis + "\r\n" + "Quillcas.log: kivo\x8e\xb8\x94\x73. (C.ERROR)\r\n");
}

TEST_F(LogFileTest, EndLineTakesTheDateFirstThenTheTime) {
  // The end line reads the clock twice; across midnight the date is the old
  // day's and the time the new day's, in the system's long time format
  // (the hour without a leading zero, as on a Japanese Windows).
  std::vector<double> times = {EncodeDateTime({{2026, 12, 6}, 18, 54, 0, 0}),
                               EncodeDateTime({{2026, 12, 6}, 23, 59, 59, 999}),
                               EncodeDateTime({{2026, 12, 7}, 0, 0, 1, 0})};
  std::size_t next = 0;
  {
    TLogFile log(Clock([&] { return times[std::min(next++, times.size() - 1)]; }));
    log.SetLogFileName(path_);
    log.SetActive(true);
    log.SetActive(false);
    EXPECT_FALSE(log.Active());
    EXPECT_FALSE(log.WriteLog("after", false));
  }  // off: the destructor writes nothing more
  EXPECT_EQ(Contents(), "--- START ---\t2026-12-06 18:54:00\r\n" + VersionLine() +
                            "--- END ---\t2026-12-06\t0:00:01\r\n");
}

TEST_F(LogFileTest, DestructionWhileOnWritesTheEndLine) {
  {
    TLogFile log(FixedClock());
    log.SetLogFileName(path_);
    log.SetActive(true);
    log.WriteLog("x", false);
  }
  const std::string text = Contents();
  EXPECT_TRUE(text.ends_with("\r\nx\r\n--- END ---\t2026-12-06\t18:54:00\r\n")) << text;
}

TEST_F(LogFileTest, BlankNameWritesNothingButStaysOn) {
  TLogFile log(FixedClock());
  log.SetLogFileName(" \t ");
  log.SetActive(true);
  EXPECT_TRUE(log.Active());
  EXPECT_FALSE(log.WriteLog("x", false));
  EXPECT_EQ(log.LogFileName(), " \t ");
}

TEST_F(LogFileTest, RelativeNameLandsInTheProgramFolderAndItsSubfolderIsMade) {
  const std::string sep(1, platform::PathSeparator());
  const std::string program = platform::ProgramPath();
  const std::string folder = program.substr(0, program.rfind(sep) + 1);
  const std::string sub = "kivo-log-sub-" + std::to_string(getpid());
  fs::remove_all(folder + sub);
  {
    TLogFile log(FixedClock());
    log.SetLogFileName(sub + sep + "run.log");
    log.SetActive(true);
    EXPECT_EQ(log.LogFileName(), folder + sub + sep + "run.log");
    EXPECT_TRUE(log.Active());
    EXPECT_TRUE(fs::is_regular_file(folder + sub + sep + "run.log"));
    EXPECT_TRUE(log.WriteLog("z", true));
  }
  {
    std::ifstream in(folder + sub + sep + "run.log", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_NE(s.str().find("\r\nrun.log: z (C.ERROR)\r\n"), std::string::npos);
  }
  fs::remove_all(folder + sub);
}

#ifdef _WIN32
TEST_F(LogFileTest, WindowsNamesWithADriveOrALeadingSeparatorAreKept) {
  for (const std::string& name :
       {path_, std::string("\\\\no-such-host\\share\\x.log"), std::string("Z:relative.log")}) {
    TLogFile log(FixedClock());
    log.SetLogFileName(name);
    log.SetActive(true);
    EXPECT_EQ(log.LogFileName(), name);
  }
}

TEST_F(LogFileTest, ErrorLineNamesTheFileAfterTheLastBackslashOrColon) {
  // "表" is 0x95 0x5C: its second byte is no separator.
  const std::string name = (dir_ / "").string() + "\x95\x5c.log";
  TLogFile log(FixedClock());
  log.SetLogFileName(name);
  log.SetActive(true);
  ASSERT_TRUE(log.WriteLog("e", true));
  std::ifstream in(std::filesystem::path(dir_ / L"\u8868.log"), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  EXPECT_NE(s.str().find("\r\n\x95\x5c.log: e (C.ERROR)\r\n"), std::string::npos);
}
#endif

TEST_F(LogFileTest, FolderThatCannotBeMadeTurnsTheLogOff) {
  // Only one level is created: two missing levels cannot be.
  TLogFile log(FixedClock());
  log.SetLogFileName((dir_ / "a" / "b" / "Quillcas.log").string());
  log.SetActive(true);
  EXPECT_FALSE(log.Active());
  EXPECT_FALSE(log.WriteLog("x", false));
  EXPECT_FALSE(fs::exists(dir_ / "a" / "b"));
}

TEST_F(LogFileTest, OneMissingFolderLevelIsCreated) {
  TLogFile log(FixedClock());
  log.SetLogFileName((dir_ / "a" / "Quillcas.log").string());
  log.SetActive(true);
  EXPECT_TRUE(log.Active());
  EXPECT_TRUE(fs::is_regular_file(dir_ / "a" / "Quillcas.log"));
}

#ifndef _WIN32
TEST_F(LogFileTest, Utf8FolderEndingInALeadByteValueIsMadeAndNamed) {
  // UTF-8 "テ" is E3 83 86; the "/" after the 86 is still a separator, so the
  // missing folder is the one created and the error line names the file.
  const fs::path folder = dir_ / "host\xE3\x83\x86";
  const std::string name = (folder / "Quillcas.log").string();
  TLogFile log(FixedClock());
  log.SetLogFileName(name);
  log.SetActive(true);
  EXPECT_TRUE(log.Active());
  ASSERT_TRUE(log.WriteLog("e", true));
  std::ifstream in(name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  EXPECT_EQ(s.str(), "--- START ---\t2026-12-06 18:54:00\r\n" + VersionLine() +
                         "Quillcas.log: e (C.ERROR)\r\n");
}
#endif

TEST_F(LogFileTest, UnwritableFileTurnsTheLogOffAtStart) {
  // A folder where the file should be: it can be neither opened nor
  // created, whoever we run as.
  fs::create_directories(path_);
  TLogFile log(FixedClock());
  log.SetLogFileName(path_);
  log.SetActive(true);
  EXPECT_FALSE(log.Active());
}

TEST_F(LogFileTest, FailedLineReturnsFalseAndTheNextIsTriedAgain) {
  TLogFile log(FixedClock());
  log.SetLogFileName(path_);
  log.SetActive(true);
  fs::remove(path_);
  fs::create_directories(path_);
  EXPECT_FALSE(log.WriteLog("lost", false));
  EXPECT_TRUE(log.Active());
  fs::remove(path_);
  EXPECT_TRUE(log.WriteLog("kept", false));
  EXPECT_EQ(Contents(), "kept\r\n");
}

TEST_F(LogFileTest, LinesOfOtherProgramsStayInBetween) {
  TLogFile log(FixedClock());
  log.SetLogFileName(path_);
  log.SetActive(true);
  log.WriteLog("one", false);
  {
    std::ofstream other(path_, std::ios::binary | std::ios::app);
    other << "other\r\n";
  }
  log.WriteLog("two", false);
  const std::string text = Contents();
  EXPECT_NE(text.find("one\r\nother\r\ntwo\r\n"), std::string::npos);
}

TEST_F(LogFileTest, AFailingClockNeverReachesTheCaller) {
  bool fail = false;
  TLogFile log(Clock([&]() -> double {
    if (fail) throw std::runtime_error("clock");
    return 46000.5;
  }));
  log.SetLogFileName(path_);
  fail = true;
  log.SetActive(true);
  EXPECT_FALSE(log.Active());
  fail = false;
  log.SetActive(true);
  ASSERT_TRUE(log.Active());
  fail = true;
  const std::string before = Contents();
  log.SetActive(false);
  EXPECT_FALSE(log.Active());
  EXPECT_EQ(Contents(), before);  // the end line is dropped, nothing torn
}

}  // namespace
}  // namespace kivo
