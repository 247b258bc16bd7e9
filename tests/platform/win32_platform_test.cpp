// The Windows side of the platform seam against the real system (run under
// Wine on the build machine). Japanese names are used throughout: the
// functions must reach them whatever the ANSI code page is.
#ifdef _WIN32

#include <windows.h>
#undef DeleteFile

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/platform.h"

namespace kivo::platform {
namespace {

// "テスト" in Shift-JIS and in UTF-16.
constexpr char kTestSjis[] = "\203e\203X\203g";
constexpr wchar_t kTestWide[] = L"\u30c6\u30b9\u30c8";
// "表" ends in 0x5C, the byte of the path separator.
constexpr char kHyouSjis[] = "\225\\";

std::string ReadAll(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadFile(path, bytes)) << path;
  return bytes;
}

class Win32FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = SystemTempFolder() + "kivo-w32-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateFolder(base_));
    dir_ = base_ + "\\" + kTestSjis + kHyouSjis;
    ASSERT_TRUE(CreateFolder(dir_));
  }
  void TearDown() override {
    for (const std::string& name : FindFiles(dir_ + "\\*")) DeleteFile(dir_ + "\\" + name);
    RemoveDirectoryW(WideOf(dir_).c_str());
    for (const std::string& name : FindFiles(base_ + "\\*")) DeleteFile(base_ + "\\" + name);
    RemoveDirectoryW(WideOf(base_).c_str());
  }
  static std::wstring WideOf(const std::string& sjis) {
    wchar_t buffer[MAX_PATH * 2];
    const int n = MultiByteToWideChar(932, 0, sjis.data(), static_cast<int>(sjis.size()), buffer,
                                      MAX_PATH * 2);
    return std::wstring(buffer, static_cast<std::size_t>(n));
  }
  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }

  std::string base_;
  std::string dir_;
};

TEST_F(Win32FilesTest, JapaneseFolderIsTheOneTheWideFunctionsSee) {
  // The folder made from Shift-JIS bytes carries the Japanese name itself.
  const std::wstring expected = WideOf(base_) + L"\\" + kTestWide + L"\u8868";
  EXPECT_NE(GetFileAttributesW(expected.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(FolderExists(dir_));
  EXPECT_FALSE(FileExists(dir_));
  EXPECT_EQ(FileSize(dir_), -1);
  EXPECT_FALSE(CreateFolder(dir_)) << "an existing folder is not created again";
}

TEST_F(Win32FilesTest, SaveReadSizeAndDelete) {
  const std::string file = Path(std::string(kTestSjis) + ".txt");
  const std::string bytes = std::string("a\r\n") + kHyouSjis + "\0z";
  ASSERT_TRUE(SaveAtomically(file, bytes));
  EXPECT_TRUE(FileExists(file));
  EXPECT_EQ(FileSize(file), static_cast<std::int64_t>(bytes.size()));
  EXPECT_EQ(ReadAll(file), bytes);
  // Saving again replaces the content and leaves no temporary file behind.
  ASSERT_TRUE(SaveAtomically(file, "second"));
  EXPECT_EQ(ReadAll(file), "second");
  EXPECT_EQ(FindFiles(dir_ + "\\*"), std::vector<std::string>{std::string(kTestSjis) + ".txt"});
  EXPECT_TRUE(DeleteFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(DeleteFile(file));
  EXPECT_EQ(FileSize(file), -1);
}

TEST_F(Win32FilesTest, SaveIntoMissingFolderFailsAndLeavesNothing) {
  EXPECT_FALSE(SaveAtomically(Path("missing\\x.txt"), "x"));
  EXPECT_TRUE(FindFiles(dir_ + "\\*").empty());
}

TEST_F(Win32FilesTest, AppendCreatesAndAppends) {
  const std::string file = Path("log.txt");
  ASSERT_TRUE(AppendToFile(file, "one\r\n"));
  ASSERT_TRUE(AppendToFile(file, std::string(kTestSjis) + "\r\n"));
  ASSERT_TRUE(AppendToFile(file, ""));
  EXPECT_EQ(ReadAll(file), std::string("one\r\n") + kTestSjis + "\r\n");
  EXPECT_FALSE(AppendToFile(Path("missing\\log.txt"), "x"));
}

TEST_F(Win32FilesTest, AppendFileSharesTheEndAndTakesBackOnlyItsOwnBytes) {
  const std::string file = Path(std::string(kTestSjis) + ".csv");
  ASSERT_TRUE(AppendToFile(file, "host\r\n"));
  const std::unique_ptr<AppendFile> ours = OpenAppendFile(file);
  ASSERT_NE(ours, nullptr);
  EXPECT_EQ(ours->Size(), 6);
  // The host appends through a handle of its own between our Size and our
  // Append; our line goes after theirs, and taking it back leaves theirs.
  ASSERT_TRUE(AppendToFile(file, "theirs\r\n"));
  ASSERT_EQ(ours->Append("ours\r\n"), AppendStatus::kWritten);
  EXPECT_EQ(ReadAll(file), "host\r\ntheirs\r\nours\r\n");
  std::string bytes;
  ASSERT_TRUE(ours->ReadTail(2, bytes));
  EXPECT_EQ(bytes, "\r\n");
  ASSERT_TRUE(ours->ReadTail(1000, bytes));
  EXPECT_EQ(bytes, "host\r\ntheirs\r\nours\r\n");
  // A range is read while our handle holds the file open.
  ASSERT_TRUE(ReadFileRange(file, 6, 6, bytes));
  EXPECT_EQ(bytes, "theirs");
  ASSERT_TRUE(ReadFileRange(file, 100, 6, bytes));
  EXPECT_EQ(bytes, "");
  EXPECT_FALSE(ReadFileRange(file, -1, 6, bytes));
  EXPECT_FALSE(ReadFileRange(Path("none.csv"), 0, 6, bytes));
  EXPECT_TRUE(ours->TakeBack("ours\r\n"));
  EXPECT_EQ(ReadAll(file), "host\r\ntheirs\r\n");
  // Once another line ends the file, ours is not the last: nothing is cut.
  EXPECT_FALSE(ours->TakeBack("ours\r\n"));
  ASSERT_EQ(ours->Append("ours\r\n"), AppendStatus::kWritten);
  ASSERT_TRUE(AppendToFile(file, "more\r\n"));
  EXPECT_FALSE(ours->TakeBack("ours\r\n"));
  EXPECT_FALSE(ours->TakeBack(std::string(100, 'x')));
  EXPECT_EQ(ReadAll(file), "host\r\ntheirs\r\nours\r\nmore\r\n");
}

TEST_F(Win32FilesTest, RemoveOwnTemporariesTakesOnlyTheLeftoversOfAReplace) {
  const std::string target = std::string(kTestSjis) + ".txt";
  const std::vector<std::string> look_alikes = {
      target + ".tmp",         target + ".1234-.tmp",   target + ".-1.tmp",
      target + ".01234-1.tmp", target + ".1234-01.tmp", target + ".1234-0.tmp",
      target + ".1234_1.tmp",  target + ".1234-1.tmpx", target + ".tmp1234_1",
      ".1234-1.tmp",           "other.txt.1234-1.tmp",  target};
  for (const std::string& name : look_alikes) ASSERT_TRUE(SaveAtomically(Path(name), "x"));
  ASSERT_TRUE(SaveAtomically(Path(target + ".1234-1.tmp"), "stale"));
  ASSERT_TRUE(SaveAtomically(Path(target + ".88-12.tmp"), "stale"));
  ASSERT_TRUE(CreateFolder(Path(target + ".5-6.tmp")));

  EXPECT_EQ(RemoveOwnTemporaries(dir_, target), 2);
  EXPECT_EQ(RemoveOwnTemporaries(dir_ + "\\", "OTHER.*"), 1);
  EXPECT_EQ(RemoveOwnTemporaries(dir_, "*"), 0);
  std::vector<std::string> kept = FindFiles(dir_ + "\\*");
  std::sort(kept.begin(), kept.end());
  std::vector<std::string> expected = look_alikes;
  expected.erase(std::find(expected.begin(), expected.end(), "other.txt.1234-1.tmp"));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(kept, expected);
  EXPECT_TRUE(FolderExists(Path(target + ".5-6.tmp")));
  RemoveDirectoryW(WideOf(Path(target + ".5-6.tmp")).c_str());
}

TEST_F(Win32FilesTest, LoadLinesSplitsOnEveryTerminator) {
  const std::string file = Path("lines.txt");
  ASSERT_TRUE(SaveAtomically(file, std::string("a\r\nb\nc\rd\r\n\r\n") + kHyouSjis));
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadLines(file, lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "", kHyouSjis}));
  ASSERT_TRUE(SaveAtomically(file, "x\r\n"));
  ASSERT_TRUE(LoadLines(file, lines));
  EXPECT_EQ(lines, std::vector<std::string>{"x"});
  EXPECT_FALSE(LoadLines(Path("none.txt"), lines));
}

TEST_F(Win32FilesTest, CopyReplacesAndKeepsTargetOnFailure) {
  const std::string from = Path(std::string(kTestSjis) + "1.html");
  const std::string to = Path(std::string(kTestSjis) + "2.html");
  ASSERT_TRUE(SaveAtomically(from, "new"));
  ASSERT_TRUE(SaveAtomically(to, "old content"));
  ASSERT_TRUE(CopyFileReplace(from, to));
  EXPECT_EQ(ReadAll(to), "new");
  EXPECT_FALSE(CopyFileReplace(Path("none.html"), to));
  EXPECT_EQ(ReadAll(to), "new");
  EXPECT_EQ(FindFiles(dir_ + "\\*").size(), 2u) << "no temporary copy left behind";
}

TEST_F(Win32FilesTest, FindFilesMatchesLongNamesOnly) {
  for (const char* name :
       {"kivod260101.html", "KIVOD260102.HTML", "kivod1.htmlx", "x.html", "kivod260103.htm"}) {
    ASSERT_TRUE(SaveAtomically(Path(name), "x"));
  }
  ASSERT_TRUE(CreateFolder(Path("kivod-folder.html")));
  std::vector<std::string> found = FindFiles(Path("kivod*.html"));
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"KIVOD260102.HTML", "kivod260101.html"}));
  // "*.htm" would find the .html files through their 8.3 aliases.
  EXPECT_EQ(FindFiles(Path("*.htm")), std::vector<std::string>{"kivod260103.htm"});
  EXPECT_TRUE(FindFiles(Path("nothing\\*.html")).empty());
  RemoveDirectoryW(WideOf(Path("kivod-folder.html")).c_str());
}

TEST_F(Win32FilesTest, IniReadsAndWritesThroughJapaneseFolder) {
  const std::string ini = Path("Quillcast.ini");
  EXPECT_EQ(IniRead(ini, "kivo", "DLBeforeDays"), "");
  ASSERT_TRUE(SaveAtomically(ini, "[TSetup]\r\nDataDeleteDays_Text=45\r\n"));
  EXPECT_EQ(IniRead(ini, "tsetup", "datadeletedays_text"), "45");
  ASSERT_TRUE(IniWrite(ini, "kivo", "DLBeforeDays", "12"));
  EXPECT_EQ(IniRead(ini, "kivo", "DLBeforeDays"), "12");
  EXPECT_EQ(IniRead(ini, "TSetup", "DataDeleteDays_Text"), "45");
  // A value longer than the first read buffer comes back whole.
  const std::string long_value(3000, 'u');
  ASSERT_TRUE(IniWrite(ini, "kivo", "BaseURL", long_value));
  EXPECT_EQ(IniRead(ini, "kivo", "BaseURL"), long_value);
}

TEST(Win32Environment, TheBufferRuleAndJapaneseValues) {
  SetEnvironmentVariableW(L"KIVO_W32_TEST", std::wstring(259, L'a').c_str());
  EXPECT_EQ(GetEnvironmentValue("KIVO_W32_TEST", 260), std::string(259, 'a'));
  SetEnvironmentVariableW(L"KIVO_W32_TEST", std::wstring(260, L'a').c_str());
  EXPECT_EQ(GetEnvironmentValue("KIVO_W32_TEST", 260), "");
  // The rule counts Shift-JIS bytes: 130 two-byte characters are 260 bytes.
  SetEnvironmentVariableW(L"KIVO_W32_TEST", std::wstring(130, L'\u30c6').c_str());
  EXPECT_EQ(GetEnvironmentValue("KIVO_W32_TEST", 260), "");
  SetEnvironmentVariableW(L"KIVO_W32_TEST", (std::wstring(L"C:\\") + kTestWide).c_str());
  EXPECT_EQ(GetEnvironmentValue("KIVO_W32_TEST", 260), std::string("C:\\") + kTestSjis);
  SetEnvironmentVariableW(L"KIVO_W32_TEST", nullptr);
  EXPECT_EQ(GetEnvironmentValue("KIVO_W32_TEST", 260), "");
}

TEST(Win32Program, PathSeparatorProgramAndTempFolder) {
  EXPECT_EQ(PathSeparator(), '\\');
  EXPECT_EQ(PathDelimiters(), "\\/:");
  EXPECT_EQ(TempFolderVariable(), "temp");
  const std::string program = ProgramPath();
  ASSERT_GT(program.size(), 4u);
  EXPECT_EQ(program.substr(program.size() - 4), ".exe");
  EXPECT_TRUE(FileExists(program));
  const std::string temp = SystemTempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(FolderExists(temp));
}

// A file time (100 ns since 1601) as whole milliseconds since 1601.
std::int64_t FileTimeMs(const FILETIME& t) {
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return static_cast<std::int64_t>(ticks / 10000);
}

// The system time now, in the local zone, as milliseconds since 1601: the
// clock and the bias GetLocalTime uses.
std::int64_t LocalWallClockMs() {
  FILETIME utc;
  FILETIME local;
  GetSystemTimeAsFileTime(&utc);
  FileTimeToLocalFileTime(&utc, &local);
  return FileTimeMs(local);
}

TEST(Win32Time, LocalNowIsTheLocalWallClockToTheMillisecond) {
  // The system time read just before and just after brackets LocalNow to
  // the millisecond, wherever a second boundary falls; a clock of whole
  // seconds would fall below it. LocalNow's days count from 1899-12-30,
  // 109205 days after 1601-01-01.
  for (int i = 0; i < 3; ++i) {
    const std::int64_t before = LocalWallClockMs();
    const double now = LocalNow();
    const std::int64_t after = LocalWallClockMs();
    const std::int64_t now_ms = std::llround((now + 109205.0) * kMillisecondsPerDay);
    EXPECT_LE(before, now_ms);
    EXPECT_LE(now_ms, after);
    Sleep(7);
  }
}

TEST(Win32Time, LongTimeTextIsTheUsersLongTimeFormat) {
  if (PRIMARYLANGID(GetUserDefaultLangID()) != LANG_JAPANESE) {
    GTEST_SKIP() << "the user's locale is not Japanese";
  }
  // A Japanese system writes the hour without a leading zero.
  EXPECT_EQ(LongTimeText(EncodeDateTime({{2026, 12, 6}, 8, 4, 5, 0})), "8:04:05");
  EXPECT_EQ(LongTimeText(EncodeDateTime({{2026, 12, 6}, 18, 59, 12, 0})), "18:59:12");
  EXPECT_EQ(LongTimeText(EncodeDateTime({{2026, 12, 7}, 0, 0, 1, 0})), "0:00:01");
}

TEST(Win32Guard, SecondHolderIsRefusedAndReleaseFreesTheName) {
  const std::string name = "kivo-w32-guard-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(AcquireInstanceGuard(name, {}));
  EXPECT_FALSE(AcquireInstanceGuard(name, {})) << "nor twice in one process";
  HANDLE seen = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str());
  EXPECT_NE(seen, nullptr) << "the guard is a named mutex others can find";
  if (seen) CloseHandle(seen);
  ReleaseInstanceGuard();
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str()), nullptr);

  // Another copy's mutex (made here) makes the guard fail.
  const std::string taken = name + "-taken";
  HANDLE other = CreateMutexA(nullptr, FALSE, taken.c_str());
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(AcquireInstanceGuard(taken, {}));
  CloseHandle(other);
  // The refused start kept no handle of its own: the name is gone with the
  // other copy's.
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, taken.c_str()), nullptr);
  EXPECT_TRUE(AcquireInstanceGuard(taken, {}));
  ReleaseInstanceGuard();
}

bool WaitEnded(Process& process) {
  for (int i = 0; i < 500; ++i) {
    if (process.Ended()) return true;
    Sleep(20);
  }
  return false;
}

TEST_F(Win32FilesTest, ProcessRunsInItsWorkingFolder) {
  // The command writes a file by a relative name: it must land in the
  // working folder, a Japanese one.
  std::unique_ptr<Process> process = StartProcess("cmd.exe /c echo done> out.txt", dir_);
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(WaitEnded(*process));
  EXPECT_TRUE(process->Ended()) << "ended stays ended";
  EXPECT_EQ(ReadAll(Path("out.txt")), "done\r\n");
}

TEST(Win32Process, AProgramThatDoesNotExistIsNotStarted) {
  EXPECT_EQ(StartProcess("kivo-no-such-program-xyz wget 'a' -O 'b'", SystemTempFolder()), nullptr);
  EXPECT_EQ(StartProcess("", SystemTempFolder()), nullptr);
}

TEST(Win32Process, EndedIsFalseWhileRunning) {
  std::unique_ptr<Process> process = StartProcess("cmd.exe /c ping -n 3 127.0.0.1 > nul", "");
  ASSERT_NE(process, nullptr);
  EXPECT_FALSE(process->Ended());
  EXPECT_TRUE(WaitEnded(*process));
}

}  // namespace
}  // namespace kivo::platform

#endif  // _WIN32
