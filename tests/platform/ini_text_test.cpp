#include "platform/ini_text.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "support/scratch_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kivo::platform::ini {
namespace {

// The host's own section as it might look on a Japanese system: Shift-JIS
// values, odd spacing, a comment, CR LF line ends.
//   Title=新刊予定 (Shift-JIS)
const std::string kHostSection =
    "[TSetup]\r\n"
    "DataDeleteDays_Text=60\r\n"
    "Title=\x90\x56\x8a\xa7\x97\x5c\x92\xe8\r\n"
    "; a comment the host keeps\r\n"
    "  Spaced Key  =  spaced value  \r\n";

TEST(IniRead, FindsValuesAndIgnoresBlanksAndCase) {
  const std::string text = kHostSection + "[kivo]\r\nDLBeforeDays=14\r\n";
  EXPECT_EQ(Read(text, "TSetup", "DataDeleteDays_Text"), "60");
  EXPECT_EQ(Read(text, "tsetup", "datadeletedays_text"), "60");
  EXPECT_EQ(Read(text, "TSETUP", "Spaced Key"), "spaced value");
  EXPECT_EQ(Read(text, " TSetup ", " spaced key "), "spaced value");
  EXPECT_EQ(Read(text, "TSetup", "Title"), "\x90\x56\x8a\xa7\x97\x5c\x92\xe8");
  EXPECT_EQ(Read(text, "KIVO", "dlbeforedays"), "14");
}

TEST(IniRead, MissingReadsAsEmpty) {
  const std::string text = kHostSection;
  EXPECT_EQ(Read("", "TSetup", "DataDeleteDays_Text"), "");
  EXPECT_EQ(Read(text, "kivo", "DataDeleteDays_Text"), "");
  EXPECT_EQ(Read(text, "TSetup", "DLBeforeDays"), "");
  // A key of another section is not seen through the section boundary.
  EXPECT_EQ(Read(text + "[kivo]\r\n", "kivo", "DataDeleteDays_Text"), "");
  // Keys before the first section belong to none.
  EXPECT_EQ(Read("A=1\n[S]\nB=2\n", "S", "A"), "");
}

TEST(IniRead, FirstMatchWins) {
  const std::string text =
      "[S]\nKey=first\nkey=second\n"
      "[s]\nKey=other section\nLater=only here\n";
  EXPECT_EQ(Read(text, "S", "KEY"), "first");
  // Only the first section of a name is searched.
  EXPECT_EQ(Read(text, "S", "Later"), "");
}

TEST(IniRead, LineEndsOfEveryKind) {
  EXPECT_EQ(Read("[S]\nA=1\nB=2", "S", "B"), "2");
  EXPECT_EQ(Read("[S]\r\nA=1\r\nB=2\r\n", "S", "B"), "2");
  EXPECT_EQ(Read("[S]\rA=1\rB=2\r", "S", "B"), "2");
  EXPECT_EQ(Read("[S]\rA=1\nB=2\r\n", "S", "A"), "1");
}

TEST(IniRead, ValueDetails) {
  const std::string text =
      "[S]\n"
      "Quoted=\"a value \"\n"
      "Single='x'\n"
      "Half=\"open\n"
      "Eq=a=b\n"
      "Empty=\n"
      "NoEquals\n";
  EXPECT_EQ(Read(text, "S", "Quoted"), "a value ");
  EXPECT_EQ(Read(text, "S", "Single"), "x");
  EXPECT_EQ(Read(text, "S", "Half"), "\"open");
  EXPECT_EQ(Read(text, "S", "Eq"), "a=b");
  EXPECT_EQ(Read(text, "S", "Empty"), "");
  EXPECT_EQ(Read(text, "S", "NoEquals"), "");
}

TEST(IniRead, ShiftJisSecondBytesAreNotFoldedOrSplit) {
  // "ア" is 83 41 and "ャ" is 83 61: an ASCII fold of the second byte would
  // make them one key.
  const std::string text = "[S]\n\x83\x41=upper\n\x83\x61=lower\n";
  EXPECT_EQ(Read(text, "S", "\x83\x61"), "lower");
  EXPECT_EQ(Read(text, "S", "\x83\x41"), "upper");
  // "ゼ" is 83 5B and "ゾ" is 83 5D: the "]" byte inside a section name is
  // part of a character, not its end.
  const std::string sections = "[\x83\x5D\x83\x5B]\nK=v\n";
  EXPECT_EQ(Read(sections, "\x83\x5D\x83\x5B", "K"), "v");
}

TEST(IniRead, EqualsAfterALeadByteStillEndsTheKey) {
  // A lead byte before "=" (which cannot complete it) is a character of its
  // own; the "=" after it still splits key and value.
  const std::string text = "[S]\nK\x83=v\n[T\x83 ]\nL=w\n";
  EXPECT_EQ(Read(text, "S", "K\x83"), "v");
  EXPECT_EQ(Read(text, "T\x83", "L"), "w");
  EXPECT_EQ(Write(text, "S", "K\x83", "x"), "[S]\nK\x83=x\n[T\x83 ]\nL=w\n");
  EXPECT_FALSE(CanWrite("S", "K\x83=", "v"));
}

TEST(IniWrite, ReplacesOnlyTheValue) {
  const std::string text = kHostSection + "[kivo]\r\nDLBeforeDays = 14 \r\nBaseURL=x\r\n";
  const std::string out = Write(text, "KIVO", "dlbeforedays", "7");
  EXPECT_EQ(out, kHostSection + "[kivo]\r\nDLBeforeDays =7\r\nBaseURL=x\r\n");
  EXPECT_EQ(Read(out, "kivo", "DLBeforeDays"), "7");
}

TEST(IniWrite, AddsKeyAfterTheSectionsLastLine) {
  const std::string text = "[kivo]\r\nBaseURL=x\r\n\r\n" + kHostSection;
  const std::string out = Write(text, "kivo", "DLBeforeDays", "30");
  EXPECT_EQ(out, "[kivo]\r\nBaseURL=x\r\nDLBeforeDays=30\r\n\r\n" + kHostSection);
}

TEST(IniWrite, AddsSectionAtTheEndLeavingTheHostSection) {
  const std::string out = Write(kHostSection, "kivo", "DLBeforeDays", "30");
  EXPECT_EQ(out, kHostSection + "[kivo]\r\nDLBeforeDays=30\r\n");
  EXPECT_EQ(Read(out, "kivo", "DLBeforeDays"), "30");
  EXPECT_EQ(Read(out, "TSetup", "DataDeleteDays_Text"), "60");
}

TEST(IniWrite, KeepsTheFilesLineEnds) {
  EXPECT_EQ(Write("[A]\nx=1\n", "B", "k", "v"), "[A]\nx=1\n[B]\nk=v\n");
  EXPECT_EQ(Write("[A]\rx=1\r", "A", "k", "v"), "[A]\rx=1\rk=v\r");
  EXPECT_EQ(Write("", "B", "k", "v"), "[B]\r\nk=v\r\n");
}

TEST(IniWrite, NoFinalLineEnd) {
  // The file keeps ending without a line end; only what is needed is added.
  EXPECT_EQ(Write("[A]\r\nx=1", "A", "k", "v"), "[A]\r\nx=1\r\nk=v");
  EXPECT_EQ(Write("[A]\r\nx=1", "A", "x", "2"), "[A]\r\nx=2");
  EXPECT_EQ(Write("[A]\nx=1", "B", "k", "v"), "[A]\nx=1\n[B]\nk=v\n");
  EXPECT_EQ(Write("[A]", "A", "k", "v"), "[A]\r\nk=v");
}

TEST(IniWrite, RoundTripsManyValues) {
  std::string text = kHostSection;
  for (int i = 0; i < 20; ++i) {
    text = Write(text, i % 2 ? "kivo" : "Other", "Key" + std::to_string(i % 7),
                 "value " + std::to_string(i));
  }
  for (int i = 13; i < 20; ++i) {
    EXPECT_EQ(Read(text, i % 2 ? "kivo" : "Other", "key" + std::to_string(i % 7)),
              "value " + std::to_string(i));
  }
  EXPECT_EQ(text.substr(0, kHostSection.size()), kHostSection);
}

TEST(IniWrite, RefusesWhatWouldChangeTheStructure) {
  EXPECT_TRUE(CanWrite("kivo", "DLBeforeDays", "30"));
  EXPECT_TRUE(CanWrite("kivo", "K", ""));
  EXPECT_FALSE(CanWrite("kivo", "K", "1\r\n[TSetup]"));
  EXPECT_FALSE(CanWrite("kivo", "K\n", "1"));
  EXPECT_FALSE(CanWrite("ki]vo", "K", "1"));
  EXPECT_FALSE(CanWrite("kivo", "K=1", "1"));
  EXPECT_FALSE(CanWrite("kivo", " ", "1"));
  EXPECT_FALSE(CanWrite("", "K", "1"));
  // A key that begins with "[" would make its line a header: "[x=]".
  EXPECT_FALSE(CanWrite("kivo", " [x", "]"));
  EXPECT_TRUE(CanWrite("kivo", "x[", "]"));
  // A "]" or "=" that is the second byte of a Shift-JIS character is fine.
  EXPECT_TRUE(CanWrite("\x83\x5D", "\x83\x5D", "v"));
}

TEST(IniWrite, RefusesASectionNameEndingInALoneLeadByte) {
  // "[kivo" 95 "]": the "]" would complete 95 5D, and the header would have
  // none. A whole character at the end (表 95 5C) or a lead byte before a
  // byte that cannot complete it is fine.
  EXPECT_TRUE(EndsInLoneLeadByte("kivo\x95"));
  EXPECT_TRUE(EndsInLoneLeadByte(" kivo\x95 "));
  EXPECT_TRUE(EndsInLoneLeadByte("\x95\x5c\xe0"));
  EXPECT_FALSE(EndsInLoneLeadByte("kivo\x95\x5c"));
  EXPECT_FALSE(EndsInLoneLeadByte("\x95\x95"));
  EXPECT_FALSE(EndsInLoneLeadByte("\x95 kivo"));
  EXPECT_FALSE(EndsInLoneLeadByte(""));
  EXPECT_FALSE(CanWrite("kivo\x95", "K", "1"));
  EXPECT_TRUE(CanWrite("kivo\x95\x5c", "K", "1"));
  // Through the seam, on either system: refused, and the file untouched;
  // the same name with its character whole is written and found again.
  kivo::testing::ScratchFolder folder;
  const std::string file = folder.File("Quillcast.ini");
  const std::string host = "[TSetup]\r\nDataDeleteDays_Text=60\r\n";
  kivo::testing::ScratchFolder::Put(file, host);
  EXPECT_FALSE(platform::IniWrite(file, "kivo\x95", "DLBeforeDays", "30"));
  EXPECT_EQ(kivo::testing::ScratchFolder::Get(file), host);
  ASSERT_TRUE(platform::IniWrite(file, "kivo\x95\x5c", "DLBeforeDays", "30"));
  EXPECT_EQ(platform::IniRead(file, "kivo\x95\x5c", "DLBeforeDays"), "30");
  EXPECT_EQ(platform::IniRead(file, "TSetup", "DataDeleteDays_Text"), "60");
}

#ifndef _WIN32
// The POSIX seam writes through a temporary file beside the INI file; where
// none can be made but the file itself can be written, it writes in place.
class IniWriteInPlace : public ::testing::Test {
 protected:
  static std::string Host() { return "[TSetup]\r\nDataDeleteDays_Text=60\r\n"; }
  kivo::testing::ScratchFolder folder_;
};

TEST_F(IniWriteInPlace, NameWithNoRoomForTheTemporarySuffix) {
  // 250 bytes fit in a file name; with ".tmp<pid>_<n>" added they do not.
  const std::string file = folder_ / (std::string(246, 'q') + ".ini");
  kivo::testing::ScratchFolder::Put(file, Host());
  ASSERT_TRUE(platform::IniWrite(file, "kivo", "DLBeforeDays", "30"));
  EXPECT_EQ(kivo::testing::ScratchFolder::Get(file), Host() + "[kivo]\r\nDLBeforeDays=30\r\n");
  // Shorter again: the tail of the old text is cut off.
  ASSERT_TRUE(platform::IniWrite(file, "kivo", "DLBeforeDays", "7"));
  EXPECT_EQ(kivo::testing::ScratchFolder::Get(file), Host() + "[kivo]\r\nDLBeforeDays=7\r\n");
  EXPECT_EQ(platform::IniRead(file, "kivo", "DLBeforeDays"), "7");
  EXPECT_EQ(folder_.Count(), 1u);
}

TEST_F(IniWriteInPlace, MissingFileIsCreatedInPlace) {
  const std::string file = folder_ / (std::string(246, 'r') + ".ini");
  ASSERT_TRUE(platform::IniWrite(file, "kivo", "DLBeforeDays", "30"));
  EXPECT_EQ(kivo::testing::ScratchFolder::Get(file), "[kivo]\r\nDLBeforeDays=30\r\n");
  EXPECT_EQ(folder_.Count(), 1u);
}

TEST_F(IniWriteInPlace, FolderThatTakesNoNewFile) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  const std::string sub = folder_ / "host";
  ASSERT_TRUE(platform::CreateFolder(sub));
  const std::string file = sub + "/Quillcast.ini";
  kivo::testing::ScratchFolder::Put(file, Host());
  ASSERT_EQ(chmod(sub.c_str(), 0555), 0);
  const bool written = platform::IniWrite(file, "kivo", "DLBeforeDays", "30");
  chmod(sub.c_str(), 0755);
  EXPECT_TRUE(written);
  EXPECT_EQ(kivo::testing::ScratchFolder::Get(file), Host() + "[kivo]\r\nDLBeforeDays=30\r\n");
  // Neither file nor folder writable: the write fails and nothing changes.
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  ASSERT_EQ(chmod(sub.c_str(), 0555), 0);
  const bool refused = !platform::IniWrite(file, "kivo", "DLBeforeDays", "8");
  chmod(sub.c_str(), 0755);
  EXPECT_TRUE(refused);
  EXPECT_EQ(kivo::testing::ScratchFolder::Get(file), Host() + "[kivo]\r\nDLBeforeDays=30\r\n");
}
#endif

}  // namespace
}  // namespace kivo::platform::ini
