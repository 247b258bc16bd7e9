// The terminal front-end's pure parts: its key table and the text
// sanitising between the shop and the terminal.
#include <gtest/gtest.h>

#include <string>

#include "shell/terminal/display_text.h"
#include "shell/terminal/keys.h"

namespace kivo::terminal {
namespace {

TEST(TerminalKeysTest, EveryListedKeyDoesWhatTheHelpSays) {
  EXPECT_EQ(CommandForKey('s'), Command::Stop);
  EXPECT_EQ(CommandForKey('S'), Command::Stop);
  EXPECT_EQ(CommandForKey('q'), Command::Stop);
  EXPECT_EQ(CommandForKey('\x1b'), Command::Stop);
  EXPECT_EQ(CommandForKey('p'), Command::Pause);
  EXPECT_EQ(CommandForKey('r'), Command::Resume);
  EXPECT_EQ(CommandForKey('k'), Command::Skip);
  EXPECT_EQ(CommandForKey('a'), Command::About);
  EXPECT_EQ(CommandForKey('u'), Command::OpenShop);
  for (char c : std::string("0123456789 \n\r\tx-/")) EXPECT_EQ(CommandForKey(c), Command::None);
  const std::string help = kKeysHelp;
  for (const char* key : {"s, q, Esc", "  p ", "  r ", "  k ", "  a ", "  u "}) {
    EXPECT_NE(help.find(key), std::string::npos) << key;
  }
}

TEST(DisplayTextTest, ControlsFromTheWebAreDefused) {
  EXPECT_EQ(WithoutControls("a\x1b]0;title\x07z"), "a?]0;title?z");
  EXPECT_EQ(WithoutControls("line\r\nnext\x7f"), "line??next?");
  EXPECT_EQ(WithoutControls("tab\tkept"), "tab\tkept");
}

TEST(DisplayTextTest, ShiftJisCharactersPassWhole) {
  // "表" ends in 0x5C and "ソ" in 0x5C; half-width katakana stays.
  EXPECT_EQ(WithoutControls("\x95\x5c\x83\x5c\xb1"), "\x95\x5c\x83\x5c\xb1");
  // A lead byte followed by a control character is no character.
  EXPECT_EQ(WithoutControls("\x95\x1b[2J"), "??[2J");
  // A lead byte at the end, and bytes that begin nothing.
  EXPECT_EQ(WithoutControls("a\x95"), "a?");
  EXPECT_EQ(WithoutControls("\x80\xa0\xfd\xfe\xff"), "?????");
}

}  // namespace
}  // namespace kivo::terminal
