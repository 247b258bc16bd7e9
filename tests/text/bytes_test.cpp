// The byte rules every layer takes from text/bytes.h. Copies of them once
// disagreed (a second byte of 0xFD to 0xFF, of 0x7F, a "/" after a lead
// byte); these cases pin the one rule.
#include "text/bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace kivo {
namespace {

TEST(SharedByteRules, ClassesCharactersCaseAndFolders) {
  // Lead bytes, second bytes and half-width katakana at their edges.
  EXPECT_FALSE(sjis::IsLeadByte(0x80));
  EXPECT_TRUE(sjis::IsLeadByte(0x81));
  EXPECT_TRUE(sjis::IsLeadByte(0x9F));
  EXPECT_FALSE(sjis::IsLeadByte(0xA0));
  EXPECT_TRUE(sjis::IsLeadByte(0xE0));
  EXPECT_TRUE(sjis::IsLeadByte(0xFC));
  EXPECT_FALSE(sjis::IsLeadByte(0xFD));
  EXPECT_FALSE(sjis::IsTrailByte(0x3F));
  EXPECT_TRUE(sjis::IsTrailByte(0x40));
  EXPECT_TRUE(sjis::IsTrailByte(0x7F));
  EXPECT_TRUE(sjis::IsTrailByte(0xFC));
  EXPECT_FALSE(sjis::IsTrailByte(0xFD));
  EXPECT_FALSE(sjis::IsHalfWidthKana(0xA0));
  EXPECT_TRUE(sjis::IsHalfWidthKana(0xA1));
  EXPECT_TRUE(sjis::IsHalfWidthKana(0xDF));
  EXPECT_FALSE(sjis::IsHalfWidthKana(0xE0));

  // A lead byte takes the next byte only when it can complete it: 0xFD to
  // 0xFF, "/" and a lead byte at the end leave it a character of one byte.
  EXPECT_EQ(sjis::CharLength("\x95\x5c", 0), 2u);  // "表"
  EXPECT_EQ(sjis::CharLength("\x81\xfd", 0), 1u);
  EXPECT_EQ(sjis::CharLength("\x86/", 0), 1u);
  EXPECT_EQ(sjis::CharLength("\x81", 0), 1u);

  // Letters fold byte by byte, also a second byte that is one; no other
  // byte changes.
  EXPECT_EQ(ascii::Lowered("ItemTitle \x83\x41\x82\x60[@]"), "itemtitle \x83\x61\x82\x60[@]");
  EXPECT_EQ(ascii::Upper('z'), 'Z');
  EXPECT_EQ(ascii::Upper('{'), '{');
  EXPECT_TRUE(ascii::EqualsNoCase("HTTPS://", "https://"));
  EXPECT_FALSE(ascii::EqualsNoCase("https", "http"));
  EXPECT_TRUE(ascii::StartsWithNoCase("Http://shop", "http://"));
  EXPECT_FALSE(ascii::StartsWithNoCase("http:", "http://"));

  // The folder part: a 0x5C that completes a character is no separator; a
  // "/" after a lead-byte value (UTF-8 "テ/" on Linux) still is; a drive
  // colon counts where the delimiters say so.
  EXPECT_EQ(FolderPartLength("C:\\\x95\x5c\\x.txt", "\\/:"), 6u);
  EXPECT_EQ(FolderPartLength("C:\\\x95\x5c", "\\/:"), 3u);
  EXPECT_EQ(FolderPartLength("/opt/\xe3\x83\x86/kivo", "/"), 9u);
  EXPECT_EQ(FolderPartLength("C:kivo.exe", "\\/:"), 2u);
  EXPECT_EQ(FolderPartLength("C:kivo.exe", "/"), 0u);
  EXPECT_EQ(FolderPartLength("", "/"), 0u);
}

}  // namespace
}  // namespace kivo
