// EanCheckDigit, Isbn10To13 and StripIsbnHyphens.
#include <gtest/gtest.h>

#include <string>

#include "text/text.h"

namespace kivo {
namespace {

int WeightedSum(const std::string& twelve) {
  int sum = 0;
  for (int i = 0; i < 12; ++i) sum += (twelve[i] - '0') * (i % 2 == 0 ? 1 : 3);
  return sum;
}

TEST(TextEanCheckDigit, KnownNumbers) {
  EXPECT_EQ(EanCheckDigit("978030640615"), "7");
  EXPECT_EQ(EanCheckDigit("978406293842"), "6");
  EXPECT_EQ(EanCheckDigit("491234567890"), "4");
  // Characters after the twelfth are not looked at.
  EXPECT_EQ(EanCheckDigit("9780306406159999"), "7");
  EXPECT_EQ(EanCheckDigit("978030640615X"), "7");
}

TEST(TextEanCheckDigit, CompletesTheWeightedSumToAMultipleOfTen) {
  // Sweep one position at a time so every weight and every residue occurs.
  for (int position = 0; position < 12; ++position) {
    for (char d = '0'; d <= '9'; ++d) {
      std::string body = "978406293842";
      body[position] = d;
      const std::string check = EanCheckDigit(body);
      ASSERT_EQ(check.size(), 1u) << body;
      ASSERT_TRUE(check[0] >= '0' && check[0] <= '9');
      EXPECT_EQ((WeightedSum(body) + (check[0] - '0')) % 10, 0) << body;
    }
  }
}

TEST(TextEanCheckDigit, SumAlreadyAMultipleOfTenGivesZero) {
  EXPECT_EQ(EanCheckDigit("550000000000"), "0");  // 5 + 3 * 5 = 20
  EXPECT_EQ(EanCheckDigit("000000000000"), "0");
}

TEST(TextEanCheckDigit, UnusableBodyGivesEmptyText) {
  EXPECT_EQ(EanCheckDigit("97803064061"), "");  // 11 characters
  EXPECT_EQ(EanCheckDigit(""), "");
  EXPECT_EQ(EanCheckDigit("97803064061A"), "");  // letter at the twelfth place
  EXPECT_EQ(EanCheckDigit("A78030640615"), "");  // letter at the first place
  EXPECT_EQ(EanCheckDigit("978-030640615"), "");
  EXPECT_EQ(EanCheckDigit("97803064061\x82\x50"), "");  // full-width １
}

TEST(TextIsbn10To13, TenDigits) {
  EXPECT_EQ(Isbn10To13("0306406152"), "9780306406157");
  EXPECT_EQ(Isbn10To13("4062938421"), "9784062938426");
}

TEST(TextIsbn10To13, FinalXGivesTheSameAsAFinalDigit) {
  EXPECT_EQ(Isbn10To13("080442957X"), "9780804429573");
  EXPECT_EQ(Isbn10To13("0804429570"), "9780804429573");
  // The tenth character is never looked at, whatever it is.
  EXPECT_EQ(Isbn10To13("080442957?"), "9780804429573");
}

TEST(TextIsbn10To13, LetterAmongTheFirstNineGivesEmptyText) {
  EXPECT_EQ(Isbn10To13("08044295X7"), "");
  EXPECT_EQ(Isbn10To13("A804429570"), "");
  EXPECT_EQ(Isbn10To13("4-06-29384"), "");
}

TEST(TextIsbn10To13, OtherLengthsUnchanged) {
  EXPECT_EQ(Isbn10To13("030640615"), "030640615");  // 9 characters
  EXPECT_EQ(Isbn10To13("9780306406157"), "9780306406157");
  EXPECT_EQ(Isbn10To13(""), "");
  EXPECT_EQ(Isbn10To13(" 030640615 "), " 030640615 ");  // untrimmed
}

TEST(TextIsbn10To13, LengthCountedAfterTrimming) {
  EXPECT_EQ(Isbn10To13(" 0306406152\r\n"), "9780306406157");
  EXPECT_EQ(Isbn10To13("\t0306406152"), "9780306406157");
}

TEST(TextStripIsbnHyphens, HyphenatedIsbn10And13) {
  EXPECT_EQ(StripIsbnHyphens("4-06-293842-1"), "4062938421");         // 13 characters
  EXPECT_EQ(StripIsbnHyphens("978-4-06-293842-6"), "9784062938426");  // 17 characters
}

TEST(TextStripIsbnHyphens, OtherLengthsUnchanged) {
  EXPECT_EQ(StripIsbnHyphens("12-34-567890"), "12-34-567890");  // 12 characters
  EXPECT_EQ(StripIsbnHyphens("978-4-06-293842-61"), "978-4-06-293842-61");
  EXPECT_EQ(StripIsbnHyphens("9784062938426"), "9784062938426");  // 13, no hyphen: same
  EXPECT_EQ(StripIsbnHyphens(""), "");
}

TEST(TextStripIsbnHyphens, LengthAfterTrimmingResultUntrimmed) {
  EXPECT_EQ(StripIsbnHyphens(" 4-06-293842-1 "), " 4062938421 ");
  EXPECT_EQ(StripIsbnHyphens("\t978-4-06-293842-6\r\n"), "\t9784062938426\r\n");
}

TEST(TextIsbn, CatalogueChain) {
  // The detail analysis reads the ISBN row, removes hyphens and widens an
  // ISBN-10.
  EXPECT_EQ(Isbn10To13(StripIsbnHyphens("4-06-293842-1")), "9784062938426");
  EXPECT_EQ(Isbn10To13(StripIsbnHyphens("978-4-06-293842-6")), "9784062938426");
}

}  // namespace
}  // namespace kivo
