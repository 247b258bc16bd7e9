// The POSIX file layer: lookups, pattern search, atomic replacement and
// appends that never leave a torn file.
// POSIX only: the Windows side has its own tests.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/scratch_folder.h"

namespace kivo::platform {
namespace {

using kivo::testing::ScratchFolder;

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// Runs `body` in a child process with the file size limit set to `limit`
// bytes, as a full disk would stop writes; returns the child's exit code.
int WithFileSizeLimit(rlim_t limit, const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails instead
    rlimit lim{limit, limit};
    setrlimit(RLIMIT_FSIZE, &lim);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// Runs `body` in a child process as a crash would stop it: killed by
// SIGXFSZ at its first write past `limit` bytes. True when it died so.
bool KilledWhileWriting(rlim_t limit, const std::function<void()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    rlimit lim{limit, limit};
    setrlimit(RLIMIT_FSIZE, &lim);
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return Sorted(names);
}

TEST(Files, ExistenceAndSize) {
  ScratchFolder dir;
  ScratchFolder::Put(dir / "a.txt", "12345");
  EXPECT_TRUE(FileExists(dir / "a.txt"));
  EXPECT_FALSE(FileExists(dir / "b.txt"));
  EXPECT_FALSE(FileExists(dir.path()));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(FolderExists(dir.path()));
  EXPECT_FALSE(FolderExists(dir / "a.txt"));
  EXPECT_EQ(FileSize(dir / "a.txt"), 5);
  EXPECT_EQ(FileSize(dir / "b.txt"), -1);
  EXPECT_EQ(FileSize(dir.path()), -1);
  // A path through ".." resolves, as the host folder's paths need.
  ASSERT_TRUE(CreateFolder(dir / "sub"));
  EXPECT_TRUE(FileExists(dir / "sub/../a.txt"));
  EXPECT_EQ(PathSeparator(), '/');
}

TEST(Files, FindFilesMatchesLikeWindows) {
  ScratchFolder dir;
  for (const char* name : {"kivod261207.html", "KIVOD261206.HTML", "kivod261205.htm", "other.html",
                           "kivod.html", ".hidden", "noext"}) {
    ScratchFolder::Put(dir / name, "x");
  }
  ASSERT_TRUE(CreateFolder(dir / "kivodfolder.html"));
  EXPECT_EQ(Sorted(FindFiles(dir / "kivod*.html")),
            (std::vector<std::string>{"KIVOD261206.HTML", "kivod.html", "kivod261207.html"}));
  EXPECT_EQ(Sorted(FindFiles(dir / "kivod??????.htm?")),
            (std::vector<std::string>{"KIVOD261206.HTML", "kivod261207.html"}));
  EXPECT_EQ(FindFiles(dir / "*.*").size(), 7u);  // every file, folders left out
  EXPECT_EQ(FindFiles(dir / "*").size(), 7u);
  EXPECT_EQ(FindFiles(dir / "NoExt"), std::vector<std::string>{"noext"});
  EXPECT_TRUE(FindFiles(dir / "missing/*.html").empty());
  EXPECT_TRUE(FindFiles(dir / "").empty());
}

TEST(Files, FindFilesCountsADoubleByteCharacterAsOne) {
  ScratchFolder dir;
  // "ア.txt" (83 41) and "ャ.txt" (83 61): one "?" covers the character, and
  // its second byte is not folded like a letter.
  ScratchFolder::Put(dir / "\x83\x41.txt", "x");
  ScratchFolder::Put(dir / "\x83\x61.txt", "x");
  EXPECT_EQ(Sorted(FindFiles(dir / "?.txt")).size(), 2u);
  EXPECT_EQ(FindFiles(dir / "\x83\x61.TXT"), std::vector<std::string>{"\x83\x61.txt"});
  // A lead-byte value before a byte that cannot complete it is a character
  // of its own, as in the UTF-8 name "テ.txt" (E3 83 86 2E): its "." stays
  // a ".".
  ScratchFolder::Put(dir / "\xE3\x83\x86.txt", "x");
  EXPECT_EQ(FindFiles(dir / "??.txt"), std::vector<std::string>{"\xE3\x83\x86.txt"});
  EXPECT_EQ(FindFiles(dir / "*.txt").size(), 3u);
}

TEST(Files, DeleteAndCreateFolder) {
  ScratchFolder dir;
  ScratchFolder::Put(dir / "a", "x");
  EXPECT_TRUE(DeleteFile(dir / "a"));
  EXPECT_FALSE(FileExists(dir / "a"));
  EXPECT_FALSE(DeleteFile(dir / "a"));
  EXPECT_TRUE(CreateFolder(dir / "old"));
  EXPECT_FALSE(CreateFolder(dir / "old"));  // exists
  EXPECT_FALSE(DeleteFile(dir / "old"));    // a folder is not deleted
  EXPECT_TRUE(FolderExists(dir / "old"));
  EXPECT_FALSE(CreateFolder(dir / "no/such"));
}

TEST(Files, CopyFileReplace) {
  ScratchFolder dir;
  ScratchFolder::Put(dir / "from", std::string(200000, 'a') + "end");
  ScratchFolder::Put(dir / "to", "old");
  EXPECT_TRUE(CopyFileReplace(dir / "from", dir / "to"));
  EXPECT_EQ(ScratchFolder::Get(dir / "to"), std::string(200000, 'a') + "end");
  EXPECT_TRUE(CopyFileReplace(dir / "from", dir / "new"));
  EXPECT_EQ(FileSize(dir / "new"), 200003);
  // A missing source leaves the target as it was.
  ScratchFolder::Put(dir / "to", "old");
  EXPECT_FALSE(CopyFileReplace(dir / "missing", dir / "to"));
  EXPECT_EQ(ScratchFolder::Get(dir / "to"), "old");
  EXPECT_FALSE(CopyFileReplace(dir / "from", dir / "no/such/to"));
  EXPECT_EQ(dir.Count(), 3u);  // from, to, new: no temporary file left
}

TEST(Files, RemoveOwnTemporariesClearsWhatAKillLeftAndNothingElse) {
  ScratchFolder dir;
  ScratchFolder::Put(dir / "kivo.txt", "old");
  ScratchFolder::Put(dir / "page", std::string(5000, 'p'));
  ASSERT_TRUE(CreateFolder(dir / "old"));
  // Killed in the middle of each kind of replace.
  ASSERT_TRUE(
      KilledWhileWriting(1000, [&] { SaveAtomically(dir / "kivo.txt", std::string(5000, 'n')); }));
  ASSERT_TRUE(KilledWhileWriting(
      1000, [&] { CopyFileReplace(dir / "page", dir / "old/kivod260101.html"); }));
  ASSERT_TRUE(KilledWhileWriting(
      1000, [&] { IniWrite(dir / "qlc.ini", "TFormDLL", "Left", std::string(5000, '1')); }));
  ASSERT_EQ(Names(dir / "old").size(), 1u);
  // A stale one of another process, and names that only look like ours.
  const std::vector<std::string> look_alikes = {
      "kivo.txt.tmpx",     "kivo.txt.tmp12_",   "kivo.txt.tmp_3",    "kivo.txt.tmp012_3",
      "kivo.txt.tmp12_03", "kivo.txt.tmp0_1",   "kivo.txt.tmp12_3x", "kivo.txt.12-3.tmp",
      ".tmp12_3",          "other.txt.tmp12_3", "kivo.txt.tmp12-3"};
  for (const std::string& name : look_alikes) ScratchFolder::Put(dir / name, "x");
  ScratchFolder::Put(dir / "kivo.txt.tmp12_3", "x");
  ASSERT_TRUE(CreateFolder(dir / "kivo.txt.tmp5_6"));

  EXPECT_EQ(RemoveOwnTemporaries(dir.path(), "kivo.txt"), 2);
  EXPECT_EQ(RemoveOwnTemporaries(dir.path() + "/", "*.ini"), 1);
  EXPECT_EQ(RemoveOwnTemporaries(dir / "old", "KIVOD*.html"), 1);
  EXPECT_EQ(RemoveOwnTemporaries(dir.path(), "kivo.txt"), 0);
  std::vector<std::string> kept = look_alikes;
  kept.insert(kept.end(), {"kivo.txt", "kivo.txt.tmp5_6", "old", "page"});
  EXPECT_EQ(Names(dir.path()), Sorted(kept));
  EXPECT_TRUE(Names(dir / "old").empty());
  EXPECT_EQ(ScratchFolder::Get(dir / "kivo.txt"), "old");
  EXPECT_EQ(RemoveOwnTemporaries(dir / "missing", "*"), 0);
}

TEST(Files, ReadFileAndLoadLines) {
  ScratchFolder dir;
  std::string bytes;
  EXPECT_FALSE(ReadFile(dir / "missing", bytes));
  EXPECT_FALSE(ReadFile(dir.path(), bytes));
  ScratchFolder::Put(dir / "bin", std::string("a\0b\xff", 4));
  ASSERT_TRUE(ReadFile(dir / "bin", bytes));
  EXPECT_EQ(bytes, std::string("a\0b\xff", 4));

  std::vector<std::string> lines;
  ScratchFolder::Put(dir / "t", "one\r\ntwo\nthree\rfour");
  ASSERT_TRUE(LoadLines(dir / "t", lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "four"}));
  ScratchFolder::Put(dir / "t", "one\r\n\r\ntwo\r\n");
  ASSERT_TRUE(LoadLines(dir / "t", lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "", "two"}));
  ScratchFolder::Put(dir / "t", "x\n\r");  // LF then a lone CR: two line ends
  ASSERT_TRUE(LoadLines(dir / "t", lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"x", ""}));
  ScratchFolder::Put(dir / "t", "");
  ASSERT_TRUE(LoadLines(dir / "t", lines));
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(LoadLines(dir / "missing", lines));
}

TEST(Files, SaveAtomicallyReplacesAndKeepsPermissions) {
  ScratchFolder dir;
  const std::string file = dir / "kivo.txt";
  ASSERT_TRUE(SaveAtomically(file, "first"));
  EXPECT_EQ(ScratchFolder::Get(file), "first");
  chmod(file.c_str(), 0640);
  ASSERT_TRUE(SaveAtomically(file, "second\r\n"));
  EXPECT_EQ(ScratchFolder::Get(file), "second\r\n");
  struct stat st;
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.Count(), 1u);
  // Saving through a link replaces the linked file and keeps the link.
  ASSERT_EQ(symlink("kivo.txt", (dir / "link").c_str()), 0);
  ASSERT_TRUE(SaveAtomically(dir / "link", "third"));
  EXPECT_EQ(ScratchFolder::Get(file), "third");
  struct stat lst;
  ASSERT_EQ(lstat((dir / "link").c_str(), &lst), 0);
  EXPECT_TRUE(S_ISLNK(lst.st_mode));
}

TEST(Files, SaveAtomicallyFailureLeavesTheOldFile) {
  ScratchFolder dir;
  EXPECT_FALSE(SaveAtomically(dir / "no/such/file", "x"));
  EXPECT_FALSE(SaveAtomically("", "x"));
  ASSERT_TRUE(CreateFolder(dir / "folder"));
  EXPECT_FALSE(SaveAtomically(dir / "folder", "x"));
  EXPECT_TRUE(FolderExists(dir / "folder"));

  // A disk that fills up half-way through the write.
  const std::string file = dir / "kivo.txt";
  ScratchFolder::Put(file, "old history");
  const int rc = WithFileSizeLimit(1000, [&] {
    const bool saved = SaveAtomically(file, std::string(5000, 'n'));
    return saved ? 1 : 0;
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(ScratchFolder::Get(file), "old history");
  EXPECT_EQ(dir.Count(), 2u);  // folder and file; the temporary file is gone
}

TEST(Environment, BufferRule) {
  setenv("KIVO_TEST_VALUE", "  some value ", 1);
  EXPECT_EQ(GetEnvironmentValue("KIVO_TEST_VALUE", 260), "  some value ");
  setenv("KIVO_TEST_VALUE", std::string(259, 'x').c_str(), 1);
  EXPECT_EQ(GetEnvironmentValue("KIVO_TEST_VALUE", 260), std::string(259, 'x'));
  setenv("KIVO_TEST_VALUE", std::string(260, 'x').c_str(), 1);
  EXPECT_EQ(GetEnvironmentValue("KIVO_TEST_VALUE", 260), "");
  EXPECT_EQ(GetEnvironmentValue("KIVO_TEST_VALUE", 261), std::string(260, 'x'));
  unsetenv("KIVO_TEST_VALUE");
  EXPECT_EQ(GetEnvironmentValue("KIVO_TEST_VALUE", 260), "");
  EXPECT_EQ(GetEnvironmentValue("", 260), "");
}

TEST(Environment, ProgramPathAndTemporaryFolder) {
  const std::string program = ProgramPath();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.front(), '/');
  EXPECT_NE(program.find("test_platform"), std::string::npos);
  EXPECT_EQ(PathDelimiters(), "/");

  // The variable names the folder; the system's own is for when it gives
  // none, and never reads the variable itself.
  EXPECT_EQ(TempFolderVariable(), "TMPDIR");
  const char* old = getenv("TMPDIR");
  const std::string saved = old ? old : "";
  setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(SystemTempFolder(), "/tmp/");
  unsetenv("TMPDIR");
  EXPECT_EQ(SystemTempFolder(), "/tmp/");
  if (old) setenv("TMPDIR", saved.c_str(), 1);
}

TEST(Ini, FilesAreCreatedAndOtherBytesKept) {
  ScratchFolder dir;
  const std::string file = dir / "Quillcast.ini";
  EXPECT_EQ(IniRead(file, "kivo", "DLBeforeDays"), "");
  ASSERT_TRUE(IniWrite(file, "kivo", "DLBeforeDays", "30"));
  EXPECT_EQ(ScratchFolder::Get(file), "[kivo]\r\nDLBeforeDays=30\r\n");

  const std::string host = "[TSetup]\nDataDeleteDays_Text = 60\nX=\x95\x5c\x8e\xa6";  // 表示
  ScratchFolder::Put(file, host);
  ASSERT_TRUE(IniWrite(file, "kivo", "DLBeforeDays", "14"));
  EXPECT_EQ(ScratchFolder::Get(file), host + "\n[kivo]\nDLBeforeDays=14\n");
  EXPECT_EQ(IniRead(file, "tsetup", "datadeletedays_text"), "60");
  EXPECT_EQ(IniRead(file, "KIVO", "dlbeforedays"), "14");
  EXPECT_EQ(dir.Count(), 1u);

  EXPECT_FALSE(IniWrite(file, "kivo", "DLBeforeDays", "1\r\n[TSetup]"));
  EXPECT_EQ(IniRead(file, "kivo", "DLBeforeDays"), "14");
}

TEST(Ini, WriteFailures) {
  ScratchFolder dir;
  ScratchFolder::Put(dir / "plain", "x");
  // The parent is a regular file: nothing can be created there.
  EXPECT_FALSE(IniWrite(dir / "plain/Quillcast.ini", "kivo", "K", "v"));
  ASSERT_TRUE(CreateFolder(dir / "Quillcast.ini"));
  EXPECT_FALSE(IniWrite(dir / "Quillcast.ini", "kivo", "K", "v"));
  EXPECT_TRUE(FolderExists(dir / "Quillcast.ini"));
}

}  // namespace
}  // namespace kivo::platform

#endif  // _WIN32
