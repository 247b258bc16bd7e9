// The catalogue line and the history entry: the two formats the host and the
// next run read back, byte for byte.
#include "harvest/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unordered_set>

#include "harvest/canonical_link.h"
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

// What the next run reads back from a line must be the link it was written
// with, whatever the other fields hold: a field added or moved would
// otherwise make every title look new.
TEST(CatalogueLine, ReadsBackToItsLink) {
  CatalogueRecord r = FullRecord();
  for (const std::string text : {"", "a\",\"b", "\"", ",", "\",\"\",\""}) {
    r.Title = text;
    r.CategoryText = text;
    r.Size = text;
    r.DetailUrl = "http://s/bec/SA/Detail?refShinCode=1&x=" + text;
    const std::string line = ComposeCatalogueLine(r);
    // A line gives back its link exactly when the plugin may take the link.
    EXPECT_EQ(LinkOfLine(line) == r.DetailUrl, CatalogueCanHold(r.DetailUrl)) << line;
    EXPECT_EQ(LinkOfLine(line.substr(0, line.size() - 2)), LinkOfLine(line));
  }
  EXPECT_TRUE(CatalogueCanHold("http://s/a?b=\"c\"d,"));
  EXPECT_FALSE(CatalogueCanHold("http://s/a?b=\",\"c"));
  EXPECT_FALSE(CatalogueCanHold("http://s/a?b=\","));
  EXPECT_FALSE(CatalogueCanHold(",\"http://s/a"));
  r.CoverFile = "";
  r.DetailUrl = "http://s/bec/SA/Detail?refShinCode=1";
  EXPECT_EQ(LinkOfLine(ComposeCatalogueLine(r)), r.DetailUrl);
  for (const char* other : {"", "\"", "\",\"", "x,\"a\"", "\"a\",\"b\"\r\n"}) {
    EXPECT_EQ(LinkOfLine(other), "") << other;
  }
}

TEST(CatalogueFile, EveryLinkIsReadBackWhateverTheLineEnds) {
  TempFolder dir("kivo-catalogue-");
  const std::string path = (dir.Path() / "QuillsMas.csv").string();
  std::unordered_set<std::string> links;
  EXPECT_TRUE(ReadCatalogueLinks(path, links));  // none yet
  EXPECT_TRUE(links.empty());

  CatalogueRecord r = FullRecord();
  std::string text;
  // Enough lines that they cross the pieces the file is read in.
  for (int i = 0; i < 20000; ++i) {
    r.DetailUrl = "http://S/bec/SA/Detail?refShinCode=" + std::to_string(i);
    std::string line = ComposeCatalogueLine(r);
    if (i % 3 == 1) line.replace(line.size() - 2, 2, "\n");  // another program's line end
    text += line;
    if (i % 1000 == 0) text += "another program's line,\"x\"\r\n";
  }
  r.DetailUrl = "http://s/bec/SA/Detail?refShinCode=last";
  const std::string last = ComposeCatalogueLine(r);
  text += last.substr(0, last.size() - 2);  // left without its line end
  WriteAll(path, text);
  ASSERT_TRUE(ReadCatalogueLinks(path, links));
  EXPECT_EQ(links.size(), 20001u);
  EXPECT_EQ(links.count(CanonicalLink("http://s/bec/SA/Detail?refShinCode=19999")), 1u);
  EXPECT_EQ(links.count(CanonicalLink("https://s:443/bec/SA/Detail?refShinCode=last")), 1u);
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
