#include "about/version.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "about/version_values.h"
#include "platform/platform.h"

namespace kivo {
namespace {

TEST(VersionValuesTest, ShiftJisBytesArePinned) {
  // "kivoプラグイン"
  EXPECT_EQ(std::string(KIVO_PRODUCT_NAME), "kivo\x83\x76\x83\x89\x83\x4f\x83\x43\x83\x93");
  // "kivo新刊データプラグイン"
  EXPECT_EQ(std::string(KIVO_FILE_DESCRIPTION),
            "kivo\x90\x56\x8a\xa7\x83\x66\x81\x5b\x83\x5e\x83\x76\x83\x89\x83\x4f\x83\x43\x83\x93");
}

TEST(VersionValuesTest, TableKeyMatchesTheTranslationEntry) {
  // The string table must be keyed by the first translation entry, or the
  // reader finds nothing.
  char key[9];
  std::snprintf(key, sizeof key, "%04X%04X", KIVO_VERSION_LANGUAGE, KIVO_VERSION_CODEPAGE);
  EXPECT_STREQ(key, KIVO_VERSION_TABLE);
  EXPECT_STREQ(key, "041103A4");
}

TEST(ReadVersionInfoTest, TheProgramItselfHasItsValues) {
  TVersion v;
  v.Comment = "stale";
  EXPECT_TRUE(ReadVersionInfo(platform::ProgramPath(), v));
  EXPECT_EQ(v.ProductName, KIVO_PRODUCT_NAME);
  EXPECT_EQ(v.FileVersion, KIVO_FILE_VERSION);
  EXPECT_EQ(v.ProductVersion, KIVO_PRODUCT_VERSION);
  EXPECT_EQ(v.LegalCopyright, KIVO_LEGAL_COPYRIGHT);
  EXPECT_FALSE(v.LegalCopyright.empty());
  EXPECT_EQ(v.Comment, "");  // cleared: the resource has none
  EXPECT_EQ(v.ScrnSave, "");
}

TEST(ReadVersionInfoTest, OtherFilesGiveAnEmptyRecordAndTrue) {
  const std::string other =
      (std::filesystem::temp_directory_path() / "kivo-version-other").string();
  { std::ofstream(other) << "no resource"; }
  for (const std::string& name : {other, std::string("/no/such/file"), std::string()}) {
    TVersion v;
    v.FileVersion = "stale";
    v.ProductName = "stale";
    EXPECT_TRUE(ReadVersionInfo(name, v)) << name;
    EXPECT_EQ(v.FileVersion, "") << name;
    EXPECT_EQ(v.ProductName, "") << name;
  }
  std::filesystem::remove(other);
}

}  // namespace
}  // namespace kivo
