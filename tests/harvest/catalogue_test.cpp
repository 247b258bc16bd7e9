// The catalogue line and the history entry: the two formats the host and the
// next run read back, byte for byte.
#include "harvest/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "harvest/history.h"
#include "platform/datetime.h"
#include "support/temp_folder.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempFolder;
using testing::WriteAll;

CatalogueRecord FullRecord() {
  CatalogueRecord r;
  r.Isbn = "9784101010014";
  r.Title = "\x8c\xe1\x94y\x82\xcd\x94L\x82\xc5\x82\xa0\x82\xe9";  // "吾輩は猫である"
  r.Authors = "\x89\xc4\x96\xda\x9f\xf9\x90\xce";                  // "夏目漱石"
  r.Series = "\x90V\x92\xaa\x95\xb6\x8c\xc9";                      // "新潮文庫"
  r.Publisher = "\x90V\x92\xaa\x8e\xd0";                           // "新潮社"
  r.Price = 1980;
  r.CategoryCode = 1;
  r.CategoryText = "\x95\xb6\x8c\xc9\x81\x45\x90V\x8f\x91";  // "文庫・新書"
  r.ReleaseDate = {2026, 12, 7};
  r.PageCount = 256;
  r.Size = "19cm";
  r.DetailUrl = "/bec/SE/Detail?isbn=9784101010014&x=1";
  r.CoverFile = "/tmp/9784101010014.jpg";
  return r;
}

TEST(CatalogueLine, FullRecordIsWrittenFieldByField) {
  const std::string expected =
      "\"9784101010014\","
      "\"\x8c\xe1\x94y\x82\xcd\x94L\x82\xc5\x82\xa0\x82\xe9\","
      "\"\","
      "\"\x89\xc4\x96\xda\x9f\xf9\x90\xce\","
      "\"\","
      "\"\x90V\x92\xaa\x95\xb6\x8c\xc9\","
      "\"\x90V\x92\xaa\x8e\xd0\","
      "1980,1,\x95\xb6\x8c\xc9\x81\x45\x90V\x8f\x91,0,20261207,256,"
      "\"19cm\",\"\","
      "\"/bec/SE/Detail?isbn=9784101010014&x=1\","
      "\"/tmp/9784101010014.jpg\"\r\n";
  EXPECT_EQ(ComposeCatalogueLine(FullRecord()), expected);
}

TEST(CatalogueLine, EmptyValuesKeepEveryFieldInPlace) {
  CatalogueRecord r;
  r.Title = "T";
  r.ReleaseDate = {2027, 1, 5};  // leading zeros in month and day
  // No category heading seen yet: 0 and an empty bare field side by side.
  EXPECT_EQ(ComposeCatalogueLine(r),
            "\"\",\"T\",\"\",\"\",\"\",\"\",\"\",0,0,,0,20270105,0,\"\",\"\",\"\",\"\"\r\n");
}

TEST(CatalogueLine, ValuesAreWrittenUnescaped) {
  CatalogueRecord r = FullRecord();
  r.Title = "a\"b,c";
  r.CategoryText = "x,y";  // bare: gives one more comma-separated piece
  const std::string line = ComposeCatalogueLine(r);
  EXPECT_NE(line.find(",\"a\"b,c\","), std::string::npos) << line;
  EXPECT_NE(line.find(",1,x,y,0,20261207,"), std::string::npos) << line;
  const std::string plain = ComposeCatalogueLine(FullRecord());
  // One extra comma from the title, one from the heading.
  EXPECT_EQ(std::count(line.begin(), line.end(), ','),
            std::count(plain.begin(), plain.end(), ',') + 2);
}

TEST(CatalogueLine, EndsInOneCrLfAndHoldsNoOtherLineBreak) {
  const std::string line = ComposeCatalogueLine(FullRecord());
  ASSERT_GE(line.size(), 2u);
  EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
  EXPECT_EQ(line.find_first_of("\r\n"), line.size() - 2);
  // 17 fields: 16 separating commas when no value holds one.
  EXPECT_EQ(std::count(line.begin(), line.end(), ','), 16);
}

TEST(CatalogueFile, AppendCreatesThenAppendsWholeLines) {
  TempFolder dir;
  const std::string path = dir.File("QuillsMas.csv");
  const std::string first = ComposeCatalogueLine(FullRecord());
  CatalogueRecord other = FullRecord();
  other.Isbn.clear();
  const std::string second = ComposeCatalogueLine(other);

  AppendCatalogueLine(*OpenCatalogue(path), path, first);
  EXPECT_EQ(ReadAll(path), first);
  AppendCatalogueLine(*OpenCatalogue(path), path, second);
  EXPECT_EQ(ReadAll(path), first + second);
}

TEST(CatalogueFile, AppendKeepsWhatTheHostAlreadyHas) {
  TempFolder dir;
  const std::string path = dir.File("QuillsMas.csv");
  WriteAll(path, "\"old\"\r\n\"no newline at the end\"");
  const std::string line = ComposeCatalogueLine(FullRecord());
  AppendCatalogueLine(*OpenCatalogue(path), path, line);
  EXPECT_EQ(ReadAll(path), "\"old\"\r\n\"no newline at the end\"" + line);
}

TEST(CatalogueFile, OpenCreatesAnEmptyFileAndLeavesAnExistingOneAlone) {
  TempFolder dir;
  const std::string path = dir.File("QuillsMas.csv");
  OpenCatalogue(path);
  EXPECT_TRUE(fs::is_regular_file(path));
  EXPECT_EQ(ReadAll(path), "");
  WriteAll(path, "\"kept\"\r\n");
  OpenCatalogue(path);
  EXPECT_EQ(ReadAll(path), "\"kept\"\r\n");
}

TEST(CatalogueFile, UnwritablePlacesThrowAndLeaveNothing) {
  TempFolder dir;
  // Tests may run as root, where permissions do not stop a write: a folder
  // in the catalogue's place, or a regular file as its parent, still does.
  const std::string folder = dir.File("QuillsMas.csv");
  fs::create_directory(folder);
  const std::string blocker = dir.File("not-a-folder");
  WriteAll(blocker, "x");
  const std::string under_file = blocker + "/QuillsMas.csv";

  EXPECT_THROW(OpenCatalogue(folder), std::runtime_error);
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_THROW(OpenCatalogue(under_file), std::runtime_error);
  EXPECT_EQ(ReadAll(blocker), "x");
}

TEST(HistoryEntry, IsTheFetchDateFollowedDirectlyByTheLink) {
  const double when = EncodeDateTime({{2027, 1, 5}, 23, 59, 59, 0});
  const std::string link = "/bec/SE/Detail?isbn=9784101010014&amp;x=1";
  const std::string entry = MakeHistoryEntry(when, link);
  EXPECT_EQ(entry, "20270105" + link);

  THistory history;
  history.Add(entry);
  EXPECT_TRUE(history.IsInHistory(link));
  // The link is compared exactly: character references are not decoded.
  EXPECT_FALSE(history.IsInHistory("/bec/SE/Detail?isbn=9784101010014&x=1"));
  EXPECT_FALSE(history.IsInHistory("20270105" + link));
}

}  // namespace
}  // namespace kivo
