// Reading and composing the placement section's values.
#include "placement/placement_values.h"

#include <gtest/gtest.h>

#include <string>

namespace kivo::placement {
namespace {

TEST(ParseIniInteger, DecimalWithSignAndRange) {
  EXPECT_EQ(ParseIniInteger("0", 7), 0);
  EXPECT_EQ(ParseIniInteger("96", 7), 96);
  EXPECT_EQ(ParseIniInteger("-1", 7), -1);
  EXPECT_EQ(ParseIniInteger("+12", 7), 12);
  EXPECT_EQ(ParseIniInteger("2147483647", 7), 2147483647);
  EXPECT_EQ(ParseIniInteger("-2147483648", 7), -2147483647 - 1);
  EXPECT_EQ(ParseIniInteger("2147483648", 7), 7);
  EXPECT_EQ(ParseIniInteger("99999999999999999999", 7), 7);
}

TEST(ParseIniInteger, HexOnlyAfterZeroXWithDigits) {
  EXPECT_EQ(ParseIniInteger("0x10", 7), 16);
  EXPECT_EQ(ParseIniInteger("0XfF", 7), 255);
  EXPECT_EQ(ParseIniInteger("0xFFFFFFFF", 7), -1);
  EXPECT_EQ(ParseIniInteger("0x", 7), 7) << "two characters are not a hex number";
  EXPECT_EQ(ParseIniInteger("0x1G", 7), 7);
  EXPECT_EQ(ParseIniInteger("0x100000000", 7), 7) << "more than 32 bits";
  EXPECT_EQ(ParseIniInteger("x10", 7), 7);
  EXPECT_EQ(ParseIniInteger("-0x10", 7), 7);
}

TEST(ParseIniInteger, NotANumberGivesTheDefault) {
  for (const char* text : {"", "-", "+", "abc", "12a", "1 2", " 5", "5 ", "1.5", "1e3"}) {
    EXPECT_EQ(ParseIniInteger(text, -9), -9) << '"' << text << '"';
  }
}

TEST(PositionList, WordsSplitOnRunsOfCommasAndBlanks) {
  const std::array<int, 4> d{1, 2, 3, 4};
  EXPECT_EQ(ParsePositionList("10,20,300,400", d), (std::array<int, 4>{10, 20, 300, 400}));
  EXPECT_EQ(ParsePositionList("10, 20, 300, 400", d), (std::array<int, 4>{10, 20, 300, 400}));
  EXPECT_EQ(ParsePositionList(" ,10 ,, 20\t300 , ,400,", d),
            (std::array<int, 4>{10, 20, 300, 400}));
  EXPECT_EQ(ParsePositionList("-8,-8,0x10,5,99", d), (std::array<int, 4>{-8, -8, 16, 5}));
}

TEST(PositionList, MissingAndUnreadableWordsKeepTheirDefaults) {
  const std::array<int, 4> d{1, 2, 3, 4};
  EXPECT_EQ(ParsePositionList("10,20", d), (std::array<int, 4>{10, 20, 3, 4}));
  EXPECT_EQ(ParsePositionList("", d), d);
  EXPECT_EQ(ParsePositionList(", ,", d), d);
  EXPECT_EQ(ParsePositionList("10,x,30", d), (std::array<int, 4>{10, 2, 30, 4}));
}

TEST(PositionList, ComposedAsTheyAreRead) {
  EXPECT_EQ(FormatPositionList(-1, -1, -8, -8), "-1,-1,-8,-8");
  EXPECT_EQ(FormatPositionList(328, 265, 696, 502), "328,265,696,502");
  const std::array<int, 4> d{0, 0, 0, 0};
  EXPECT_EQ(ParsePositionList(FormatPositionList(-2147483647 - 1, 0, 2147483647, 5), d),
            (std::array<int, 4>{-2147483647 - 1, 0, 2147483647, 5}));
}

TEST(ScreenSuffix, WidthByHeightInParentheses) {
  EXPECT_EQ(ScreenSuffix(1024, 768), "(1024x768)");
  EXPECT_EQ(std::string(kNormPosKey) + ScreenSuffix(1920, 1080), "NormPos(1920x1080)");
}

TEST(ShowCmd, StatesOfTheStoredShowCommands) {
  const WindowState keep = WindowState::Normal;
  for (int n : {1, 5, 9}) EXPECT_EQ(StateFromShowCmd(n, WindowState::Maximized), keep) << n;
  for (int n : {2, 6, 7}) EXPECT_EQ(StateFromShowCmd(n, keep), WindowState::Minimized) << n;
  EXPECT_EQ(StateFromShowCmd(3, keep), WindowState::Maximized);
  for (int n : {0, 4, 8, 10, -1}) {
    EXPECT_EQ(StateFromShowCmd(n, WindowState::Maximized), WindowState::Maximized) << n;
  }
}

}  // namespace
}  // namespace kivo::placement
