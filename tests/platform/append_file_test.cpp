// Appending beside other writers, taking bytes back, and reading parts of
// a file, on POSIX. The other writer is a process of its own, as the host
// is. The Windows side has its own tests.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/file_limit.h"
#include "support/scratch_folder.h"

namespace kivo::platform {
namespace {

using kivo::testing::FileSizeLimit;
using kivo::testing::ScratchFolder;

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// Runs `other` in a child process while this one runs `meanwhile`; true
// when the child's `other` returned true.
bool InOtherProcess(
    const std::function<bool()>& other, const std::function<void()>& meanwhile = [] {}) {
  const pid_t pid = fork();
  if (pid == 0) _exit(other() ? 0 : 1);
  meanwhile();
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(Reads, ReadFileRange) {
  ScratchFolder dir;
  const std::string file = dir / "QuillsMas.csv";
  ScratchFolder::Put(file, "0123456789");
  std::string bytes = "stale";
  ASSERT_TRUE(ReadFileRange(file, 3, 4, bytes));
  EXPECT_EQ(bytes, "3456");
  ASSERT_TRUE(ReadFileRange(file, 8, 100, bytes));
  EXPECT_EQ(bytes, "89");
  ASSERT_TRUE(ReadFileRange(file, 10, 5, bytes));
  EXPECT_EQ(bytes, "");
  ASSERT_TRUE(ReadFileRange(file, 0, 100000, bytes));
  EXPECT_EQ(bytes, "0123456789");
  bytes = "stale";
  EXPECT_FALSE(ReadFileRange(file, -1, 5, bytes));
  EXPECT_EQ(bytes, "");
  EXPECT_FALSE(ReadFileRange(dir / "missing", 0, 5, bytes));
  EXPECT_FALSE(ReadFileRange(dir.path(), 0, 5, bytes));
}

TEST(Appends, AppendToFileAppendsWholeOrNothing) {
  ScratchFolder dir;
  const std::string file = dir / "QuillsMas.csv";
  EXPECT_TRUE(AppendToFile(file, "line 1\r\n"));
  EXPECT_TRUE(AppendToFile(file, "line 2\r\n"));
  EXPECT_TRUE(AppendToFile(file, ""));
  EXPECT_EQ(ScratchFolder::Get(file), "line 1\r\nline 2\r\n");
  EXPECT_FALSE(AppendToFile(dir / "no/such", "x"));
  EXPECT_FALSE(AppendToFile(dir.path(), "x"));
  // Room for 30 more bytes: the write of 100 stops short and is cut back.
  {
    FileSizeLimit full(ScratchFolder::Get(file).size() + 30);
    EXPECT_FALSE(AppendToFile(file, std::string(100, 'n')));
  }
  EXPECT_EQ(ScratchFolder::Get(file), "line 1\r\nline 2\r\n");
}

TEST(Appends, AppendFileSharesTheEndAndTakesBackOnlyItsOwnBytes) {
  ScratchFolder dir;
  const std::string file = dir / "QuillsMas.csv";
  ScratchFolder::Put(file, "host\r\n");
  const std::unique_ptr<AppendFile> ours = OpenAppendFile(file);
  ASSERT_NE(ours, nullptr);
  EXPECT_EQ(ours->Size(), 6);
  // The host appends, from a process of its own, between our Size and our
  // Append; our line goes after theirs, and taking it back leaves theirs.
  ASSERT_TRUE(InOtherProcess([&] { return AppendToFile(file, "theirs\r\n"); }));
  ASSERT_EQ(ours->Append("ours\r\n"), AppendStatus::kWritten);
  EXPECT_EQ(ScratchFolder::Get(file), "host\r\ntheirs\r\nours\r\n");
  std::string tail;
  ASSERT_TRUE(ours->ReadTail(2, tail));
  EXPECT_EQ(tail, "\r\n");
  ASSERT_TRUE(ours->ReadTail(1000, tail));
  EXPECT_EQ(tail, "host\r\ntheirs\r\nours\r\n");
  EXPECT_TRUE(ours->TakeBack("ours\r\n"));
  EXPECT_EQ(ScratchFolder::Get(file), "host\r\ntheirs\r\n");
  // Once another line ends the file, ours is not the last: nothing is cut.
  EXPECT_FALSE(ours->TakeBack("ours\r\n"));
  ASSERT_EQ(ours->Append("ours\r\n"), AppendStatus::kWritten);
  ASSERT_TRUE(AppendToFile(file, "more\r\n"));
  EXPECT_FALSE(ours->TakeBack("ours\r\n"));
  EXPECT_FALSE(ours->TakeBack(std::string(100, 'x')));
  EXPECT_TRUE(ours->TakeBack(""));
  EXPECT_EQ(ScratchFolder::Get(file), "host\r\ntheirs\r\nours\r\nmore\r\n");
}

TEST(Appends, TwoWritersAppendingTogetherLoseNothing) {
  ScratchFolder dir;
  const std::string file = dir / "QuillsMas.csv";
  constexpr int kLines = 100;
  std::vector<std::string> expected;
  for (int i = 0; i < kLines; ++i) {
    expected.push_back("ours " + std::to_string(i));
    expected.push_back("theirs " + std::to_string(i));
  }
  const std::unique_ptr<AppendFile> ours = OpenAppendFile(file);
  ASSERT_NE(ours, nullptr);
  int written = 0;
  const bool theirs = InOtherProcess(
      [&] {
        bool ok = true;
        for (int i = 0; i < kLines; ++i) {
          ok = AppendToFile(file, "theirs " + std::to_string(i) + "\r\n") && ok;
        }
        return ok;
      },
      [&] {
        for (int i = 0; i < kLines; ++i) {
          const std::string line = "ours " + std::to_string(i) + "\r\n";
          if (ours->Append(line) == AppendStatus::kWritten) ++written;
        }
      });
  EXPECT_TRUE(theirs);
  EXPECT_EQ(written, kLines);
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadLines(file, lines));
  EXPECT_EQ(Sorted(lines), Sorted(expected));
}

}  // namespace
}  // namespace kivo::platform

#endif  // _WIN32
