// The detail page analysis: the walk over hand-built nodes (every trigger
// and label rule), the cleaning and the cover file name, then AnalyzeDetail
// on small Shift-JIS pages with the real tokenizer, files in a temporary
// folder, a fake view and a fake run host that serves cover images.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "harvest/catalogue.h"
#include "harvest/detail_page.h"
#include "harvest/harvest.h"
#include "harvest/harvest_texts.h"
#include "platform/file_messages.h"
#include "support/fake_harvest_view.h"
#include "support/fake_run_host.h"
#include "support/file_limit.h"
#include "support/temp_folder.h"
#include "text/text.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;
using testing::FakeHarvestView;
using testing::FakeRunHost;
using testing::ReadAll;
using testing::ScopedTempDirEnv;
using testing::Sep;
using testing::TempFolder;
using testing::WriteAll;

// Test data in Shift-JIS.
constexpr char kCat[] = "\x8c\xe1\x94y\x82\xcd\x94L\x82\xc5\x82\xa0\x82\xe9";  // "吾輩は猫である"
constexpr char kAuthor[] = "\x89\xc4\x96\xda\x9f\xf9\x90\xce";                 // "夏目漱石"
constexpr char kPublisher[] = "\x90V\x92\xaa\x8e\xd0";                         // "新潮社"
constexpr char kSeries[] = "\x90V\x92\xaa\x95\xb6\x8c\xc9";                    // "新潮文庫"
constexpr char kUpper[] = "\x8f\xe3";                                          // "上"
constexpr char kWideAbcUpper[] = "\x82`\x82\x61\x82\x62\x81i\x8f\xe3\x81j";  // "ＡＢＣ（上）"
constexpr char kWidePages[] =
    "\x82Q\x82T\x82U\x82o\x81@\x82P\x82X\x82\x83\x82\x8d";  // "２５６Ｐ　１９ｃｍ"
constexpr char kMonthValue[] = "2026\x94N12\x8c\x8e";       // "2026年12月"
constexpr char kPriceWords[] = "\x89\xbf\x8ai 1,980\x89~";  // "価格 1,980円"
constexpr char kRongo[] =
    "\x98_\x8c\xea\x81^\x92\x8d\x8e\xdf\x81\x46\x90V\x94\xc5";  // "論語／注釈：新版"
constexpr char kSo[] = "\x83\\";                                // "ソ" (second byte 0x5C)

// ---- The walk on hand-built nodes -------------------------------------------

// Nodes made the way the tokenizer makes them, from the text inside "<" and
// ">" and from the text between tags.
class Nodes {
 public:
  Nodes& Tag(const std::string& name,
             const std::vector<std::pair<std::string, std::string>>& params = {}) {
    std::string raw = name;
    for (const auto& [n, v] : params) raw += " " + n + "=\"" + v + "\"";
    tags_.emplace_back().SetRaw(raw);
    order_.push_back(&tags_.back());
    return *this;
  }
  Nodes& Text(const std::string& text) {
    texts_.emplace_back().SetRaw(text);
    order_.push_back(&texts_.back());
    return *this;
  }
  // A label cell and its value cell.
  Nodes& Row(const std::string& label, const std::string& value) {
    return Tag("TR").Tag("TH").Text(label).Tag("/TH").Tag("TD").Text(value).Tag("/TD").Tag("/TR");
  }
  DetailValues Walk() const {
    TDetailWalk walk;
    for (const THTMLNode* node : order_) walk.Node(*node);
    return walk.Values;
  }

 private:
  std::deque<THTMLTag> tags_;  // a deque keeps the nodes where they are
  std::deque<THTMLText> texts_;
  std::vector<const THTMLNode*> order_;
};

// The item table's start: from here on texts are labels and values.
void StartItemTable(Nodes& nodes) { nodes.Tag("DIV", {{"CLASS", "mainitemtable"}}).Tag("TABLE"); }

TEST(DetailWalk, NothingIsTakenBeforeAnItemMarker) {
  const DetailValues v = Nodes()
                             .Tag("P", {{"CLASS", "other"}})
                             .Text("stray")
                             .Tag("IMG", {{"SRC", "/logo.jpg"}})
                             .Tag("TABLE")
                             .Tag("TABLE")
                             .Tag("TABLE")
                             .Text("not a title")
                             .Walk();
  EXPECT_EQ(v.Title, "");
  EXPECT_EQ(v.ImageUrl, "");
  EXPECT_EQ(v.Isbn, "");
  EXPECT_EQ(v.Price, 0);
}

TEST(DetailWalk, ClassMarkersMatchInAnyCaseButOnlyWhole) {
  EXPECT_EQ(Nodes().Tag("P", {{"CLASS", "ItemTITLE"}}).Text(kCat).Walk().Title, kCat);
  EXPECT_EQ(Nodes().Tag("P", {{"CLASS", "itemtitle big"}}).Text(kCat).Walk().Title, "");
  // Every CLASS attribute is looked at: the second one can still match.
  EXPECT_EQ(Nodes().Tag("P", {{"CLASS", "x"}, {"CLASS", "itemTitle"}}).Text(kCat).Walk().Title,
            kCat);
  // The marker belongs to its own tag name; end tags trigger nothing.
  EXPECT_EQ(Nodes().Tag("DIV", {{"CLASS", "itemtitle"}}).Text(kCat).Walk().Title, "");
  EXPECT_EQ(Nodes().Tag("/P", {{"CLASS", "itemtitle"}}).Text(kCat).Walk().Title, "");
  // Only letters A to Z are folded.
  EXPECT_EQ(Nodes().Tag("UL", {{"CLASS", "AUTHORSNAME"}}).Text(kAuthor).Walk().Authors, kAuthor);
}

TEST(DetailWalk, TitleIsTheFirstNonEmptyTextOfTheFirstTitleParagraph) {
  const DetailValues v = Nodes()
                             .Tag("P", {{"CLASS", "itemtitle"}})
                             .Text("  \x81@ ")  // blanks and a full-width space: empty
                             .Text(kCat)
                             .Text("second text")
                             .Tag("P", {{"CLASS", "itemtitle"}})
                             .Text("later title")
                             .Walk();
  EXPECT_EQ(v.Title, kCat);
}

TEST(DetailWalk, WithoutTitleParagraphTheThirdTableGivesTheTitle) {
  const DetailValues v = Nodes()
                             .Tag("DIV", {{"CLASS", "mainitemlayout"}})
                             .Tag("TABLE")
                             .Text("one")
                             .Tag("TABLE")
                             .Text("two")
                             .Tag("TABLE")
                             .Text(" ")
                             .Text(kCat)
                             .Walk();
  EXPECT_EQ(v.Title, kCat);
}

TEST(DetailWalk, AuthorsKeepTheLastTextAndDetailReplacesTheSeries) {
  const DetailValues a =
      Nodes().Tag("UL", {{"CLASS", "authorsname"}}).Text("first").Text(kAuthor).Text("   ").Walk();
  EXPECT_EQ(a.Authors, kAuthor);

  // The series row only fills an empty series; a later item-detail text
  // replaces whatever is there. Either order gives the item-detail text.
  Nodes detail_first;
  detail_first.Tag("P", {{"CLASS", "itemdetail"}}).Text(kSeries);
  detail_first.Tag("DIV", {{"CLASS", "mainitemtable"}}).Row(texts::kLabelSeries, "row series");
  EXPECT_EQ(detail_first.Walk().Series, kSeries);

  Nodes row_first;
  StartItemTable(row_first);
  row_first.Row(texts::kLabelSeries, "row series");
  row_first.Tag("P", {{"CLASS", "itemdetail"}}).Text(kSeries);
  EXPECT_EQ(row_first.Walk().Series, kSeries);

  Nodes row_only;
  StartItemTable(row_only);
  row_only.Row(texts::kLabelSeries, "row series");
  EXPECT_EQ(row_only.Walk().Series, "row series");
}

TEST(DetailWalk, CoverIsTheFirstJpgImageOfTheItemArea) {
  const DetailValues v = Nodes()
                             .Tag("IMG", {{"SRC", "/before-marker.jpg"}})
                             .Tag("DIV", {{"CLASS", "mainitemlayout"}})
                             .Tag("IMG", {{"SRC", "/x.png"}})
                             .Tag("IMG", {{"SRC", "/cover.jpg?w=200"}})
                             .Tag("IMG", {{"ALT", "a.jpg"}})
                             .Tag("IMG", {{"SRC", "/covers/A.JPG"}})
                             .Tag("IMG", {{"SRC", "/covers/B.jpg"}})
                             .Walk();
  EXPECT_EQ(v.ImageUrl, "/covers/A.JPG");
}

TEST(DetailWalk, ItemTableRowsFillTheirFields) {
  Nodes page;
  StartItemTable(page);
  page.Row(texts::kLabelPublishMonth, kMonthValue)
      .Row(texts::kLabelPublisher, kPublisher)
      .Row(texts::kLabelIsbn, "978-4-10-101001-4")
      .Row(texts::kLabelPrice, std::string("1,980") + texts::kYen)
      .Row(texts::kLabelPages, kWidePages);
  const DetailValues v = page.Walk();
  EXPECT_EQ(v.Publisher, kPublisher);
  EXPECT_EQ(v.Isbn, "9784101010014");
  EXPECT_EQ(v.Price, 1980);
  EXPECT_EQ(v.PageCount, 256);
  EXPECT_EQ(v.Size, "19cm");
  // The publication month goes nowhere.
  for (const std::string* field : {&v.Title, &v.Authors, &v.Series, &v.Publisher, &v.Size}) {
    EXPECT_EQ(field->find("2026"), std::string::npos) << *field;
  }
}

TEST(DetailWalk, OddValuesGiveZeroOrTheWholeRow) {
  Nodes words;
  StartItemTable(words);
  words.Row(texts::kLabelPrice, kPriceWords).Row(texts::kLabelPages, "  19cm ");
  const DetailValues w = words.Walk();
  EXPECT_EQ(w.Price, 0);
  EXPECT_EQ(w.PageCount, 0);
  EXPECT_EQ(w.Size, "19cm");

  // The label without its colon is a label, but its value is never read.
  Nodes bare;
  StartItemTable(bare);
  bare.Row(texts::kLabelPagesBare, "256P 19cm");
  const DetailValues b = bare.Walk();
  EXPECT_EQ(b.PageCount, 0);
  EXPECT_EQ(b.Size, "");

  // Lower-case p is not the separator.
  Nodes lower;
  StartItemTable(lower);
  lower.Row(texts::kLabelPages, "256p 19cm");
  EXPECT_EQ(lower.Walk().PageCount, 0);
}

TEST(DetailWalk, LabelsWithoutValuesAndStrayTexts) {
  // A label followed by another label loses its value.
  Nodes empty_value;
  StartItemTable(empty_value);
  empty_value.Text(texts::kLabelPublisher).Text(texts::kLabelIsbn).Text("4101010013");
  const DetailValues e = empty_value.Walk();
  EXPECT_EQ(e.Publisher, "");
  EXPECT_EQ(e.Isbn, "4101010013");

  // A stray text with no label pending takes the label's place; the texts
  // after it are dropped until a real label comes.
  Nodes stray;
  StartItemTable(stray);
  stray.Text("stray").Text(kPublisher).Text("more").Row(texts::kLabelPublisher, kPublisher);
  const DetailValues s = stray.Walk();
  EXPECT_EQ(s.Publisher, kPublisher);

  // The page-count row is only read when its label arrives with nothing
  // pending: here it becomes the value of the publisher label.
  Nodes late;
  StartItemTable(late);
  late.Text(texts::kLabelPublisher).Text(texts::kLabelPages).Text("256P");
  const DetailValues l = late.Walk();
  EXPECT_EQ(l.Publisher, texts::kLabelPages);
  EXPECT_EQ(l.PageCount, 0);
}

TEST(DetailWalk, FourthTableOpensAndFifthClosesTheItemTable) {
  Nodes page;
  page.Tag("DIV", {{"CLASS", "mainitemlayout"}}).Tag("TABLE").Tag("TABLE").Tag("TABLE");
  page.Text(kCat);
  page.Tag("TABLE").Row(texts::kLabelPublisher, kPublisher);
  page.Tag("TABLE").Row(texts::kLabelPrice, "500");
  const DetailValues v = page.Walk();
  EXPECT_EQ(v.Title, kCat);
  EXPECT_EQ(v.Publisher, kPublisher);
  EXPECT_EQ(v.Price, 0);
}

// ---- Cleaning and naming ----------------------------------------------------

TEST(FinishDetail, IsbnBecomesThirteenCharactersOrEmpty) {
  struct Case {
    const char* row;  // after the walk removed the hyphens
    const char* isbn;
  } cases[] = {
      {"9784101010014", "9784101010014"},
      {"4101010013", "9784101010014"},  // ISBN-10 to 13
      {"410101001X", "9784101010014"},  // the check character is not read
      {"978410101001", ""},             // 12
      {"97841010100140", ""},           // 14
      {"41010A0013", ""},               // a letter among the first nine
      {"", ""},
  };
  for (const Case& c : cases) {
    DetailValues v;
    v.Isbn = c.row;
    FinishDetailValues(v);
    EXPECT_EQ(v.Isbn, c.isbn) << c.row;
  }
}

TEST(FinishDetail, TitleLosesParenthesesAndTakesNormalWidths) {
  const std::string abc_upper = std::string("ABC ") + kUpper;
  for (const std::string& raw : {std::string(kWideAbcUpper), "ABC(" + std::string(kUpper) + ")",
                                 "\x81@" + std::string(kWideAbcUpper) + " "}) {
    DetailValues v;
    v.Title = raw;
    FinishDetailValues(v);
    EXPECT_EQ(v.Title, abc_upper);
  }
  DetailValues k;
  k.Title = "\xc8\xba";         // half-width "ﾈｺ"
  k.Authors = "\x82`\x82\x61";  // full-width "ＡＢ"
  FinishDetailValues(k);
  EXPECT_EQ(k.Title, "\x83l\x83R");  // "ネコ"
  EXPECT_EQ(k.Authors, "AB");
}

TEST(FileExtension, TakesTheTextFromTheLastDot) {
  EXPECT_EQ(FileExtension("https://img.example/c/9784101010014.JPG"), ".JPG");
  EXPECT_EQ(FileExtension("/c/x.jpg?w=1"), ".jpg?w=1");
  EXPECT_EQ(FileExtension("https://img.example/c/x"), ".example/c/x");
  EXPECT_EQ(FileExtension("C:x"), "");
  EXPECT_EQ(FileExtension("a.b\\c"), "");
  EXPECT_EQ(FileExtension(""), "");
}

TEST(CoverFileStem, RealIsbnOrTheTitleMadeSafe) {
  EXPECT_EQ(CoverFileStem("9784101010014", kCat), "9784101010014");
  EXPECT_EQ(CoverFileStem("", kCat), kCat);
  // "/" and ":" in a title take their full-width forms.
  EXPECT_EQ(CoverFileStem("", "\x98_\x8c\xea/\x92\x8d\x8e\xdf:\x90V\x94\xc5"), kRongo);
  // A second byte 0x5C is part of its character, not a separator.
  EXPECT_EQ(CoverFileStem("", std::string(kSo) + "x"), std::string(kSo) + "x");
}

TEST(CoverFileStem, NeverLeavesTheTemporaryFolder) {
  // {ISBN row, title}: what a page could put in either.
  const std::vector<std::pair<std::string, std::string>> hostile = {
      {"..\\..\\..\\abcd", ""},
      {"../../../abcd", ""},
      {"C:\\Windows\\x1", ""},
      {"", "."},
      {"", ".."},
      {"", "../../etc/passwd"},
      {"", "..\\..\\boot"},
      {"", "a\tb\x01\x63"},
      {"", "x\x81"},
      {"", "\x9b"},
      {"", "CON"},
      {"", "nul.txt"},
      {"", "Com1 "},
  };
  for (const auto& [isbn, title] : hostile) {
    const std::string stem = CoverFileStem(isbn, title);
    SCOPED_TRACE(isbn + "|" + title + " -> " + stem);
    ASSERT_FALSE(stem.empty());
    // Never the folder itself or its parent ("." or "..", and so anything
    // of dots and blanks alone, which Windows cuts to nothing).
    EXPECT_NE(stem.find_first_not_of(". "), std::string::npos);
    for (std::size_t i = 0; i < stem.size(); ++i) {
      const auto c = static_cast<unsigned char>(stem[i]);
      if (IsLeadByte(c)) {
        ASSERT_LT(i + 1, stem.size()) << "cut-off character";
        ++i;
        continue;
      }
      EXPECT_TRUE(c != '/' && c != '\\' && c != ':' && c >= 0x20) << "byte " << i;
    }
  }
  EXPECT_EQ(CoverFileStem("", "."), "\x81\x44");           // "．"
  EXPECT_EQ(CoverFileStem("", ".."), "\x81\x44\x81\x44");  // "．．"
  EXPECT_EQ(CoverFileStem("", ".hack"), ".hack");          // a title, and a name with its extension
  EXPECT_EQ(CoverFileStem("", "CON"), "_CON");
  EXPECT_EQ(CoverFileStem("", "nul.txt"), "_nul.txt");
  EXPECT_EQ(CoverFileStem("", "CONSOLE"), "CONSOLE");
}

// ---- AnalyzeDetail on files -------------------------------------------------

constexpr char kLink[] = "/bec/SE/Detail?isbn=9784101010014&amp;x=1";
constexpr char kCoverUrl[] = "https://img.example/cover/L/9784101010014.jpg";

struct PageParts {
  std::string title = kCat;
  std::string isbn_row = "978-4-10-101001-4";
  std::string image = kCoverUrl;
  std::string price_row = std::string("1,980") + texts::kYen;
};

// A detail page as the shop lays it out, in Shift-JIS with CR LF.
std::string DetailPage(const PageParts& p = {}) {
  auto row = [](const std::string& label, const std::string& value) {
    return "<tr><th>" + label + "</th><td>" + value + "</td></tr>\r\n";
  };
  return "<html><head><title>kivo</title></head><body>\r\n"
         "<img src=\"/img/logo.jpg\">\r\n"
         "<div class=\"mainItemLayout\">\r\n"
         "<p class=\"itemTitle\">" +
         p.title +
         "</p>\r\n"
         "<ul class=\"authorsName\"><li><a href=\"/a\">" +
         kAuthor +
         "</a></li></ul>\r\n"
         "<img src=\"" +
         p.image +
         "\" alt=\"cover\">\r\n"
         "<div class=\"mainItemTable\"><table>\r\n" +
         row(texts::kLabelPublishMonth, kMonthValue) + row(texts::kLabelPublisher, kPublisher) +
         row(texts::kLabelIsbn, p.isbn_row) + row(texts::kLabelPrice, p.price_row) +
         row(texts::kLabelPages, kWidePages) + "</table></div>\r\n</div></body></html>\r\n";
}

// The file a served "powershell wget '<address>' -O '<file>'" writes to.
std::string OutputPathOf(const std::string& command_line) {
  const std::string marker = " -O '";
  const std::size_t start = command_line.rfind(marker);
  if (start == std::string::npos || command_line.back() != '\'') return {};
  std::string quoted = command_line.substr(start + marker.size());
  quoted.pop_back();
  std::string path;
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    path += quoted[i];
    if (quoted[i] == '\'' && i + 1 < quoted.size() && quoted[i + 1] == '\'') ++i;
  }
  return path;
}

class AnalyzeDetailTest : public ::testing::Test {
 protected:
  AnalyzeDetailTest() {
    fs::create_directory(root_.Path() / "host");
    fs::create_directory(root_.Path() / "tmp");
    state_.FHostDir = host_dir_;
    harvest_.emplace(state_, view_, log_, host_, "/opt/host/plugin/kivo");
    harvest_->Run.ListingDay = {2026, 12, 7};
    harvest_->Run.CategoryCode = 1;
    harvest_->Run.CategoryText = texts::kCategoryPaperback;
    host_.serve = [this](const std::string& command_line) {
      const std::string out = OutputPathOf(command_line);
      if (!out.empty()) WriteAll(out, "JPEG");
      if (on_serve_) on_serve_();
    };
  }

  std::string Catalogue() const { return host_dir_ + Sep() + "QuillsMas.csv"; }
  std::string HostDir() const { return host_dir_ + Sep(); }
  std::string DetailFile() const { return temp_dir_ + "Getkivo2.html"; }
  void WriteDetail(const std::string& page) { WriteAll(DetailFile(), page); }
  std::string ExpectedLine(const std::string& cover) const {
    CatalogueRecord r;
    r.Isbn = "9784101010014";
    r.Title = kCat;
    r.Authors = kAuthor;
    r.Publisher = kPublisher;
    r.Price = 1980;
    r.CategoryCode = 1;
    r.CategoryText = texts::kCategoryPaperback;
    r.ReleaseDate = {2026, 12, 7};
    r.PageCount = 256;
    r.Size = "19cm";
    r.DetailUrl = kLink;
    r.CoverFile = cover;
    return ComposeCatalogueLine(r);
  }

  TempFolder root_{"kivo-detail-"};
  const std::string host_dir_ = (root_.Path() / "host").string();
  const std::string temp_dir_ = (root_.Path() / "tmp").string() + Sep();
  ScopedTempDirEnv temp_env_{temp_dir_};
  std::function<void()> on_serve_;
#ifndef _WIN32
  std::optional<::kivo::testing::FileSizeLimit> file_limit_;
#endif
  FakeRunHost host_;
  TRunState state_;
  TLogFile log_{host_};
  FakeHarvestView view_{log_};
  std::optional<THarvest> harvest_;
};

TEST_F(AnalyzeDetailTest, WritesTheLineFetchesTheCoverAndListsTheTitle) {
  WriteDetail(DetailPage());
  harvest_->AnalyzeDetail(kLink);

  const std::string cover = temp_dir_ + "9784101010014.jpg";
  EXPECT_EQ(ReadAll(Catalogue()), ExpectedLine(cover));
  ASSERT_EQ(host_.commands.size(), 1u);
  EXPECT_NE(host_.commands[0].command_line.find(kCoverUrl), std::string::npos);
  EXPECT_EQ(OutputPathOf(host_.commands[0].command_line), cover);
  EXPECT_EQ(ReadAll(cover), "JPEG");
  EXPECT_EQ(view_.memo, std::vector<std::string>{kCat});

  // A second title appends after the first.
  harvest_->AnalyzeDetail(kLink);
  EXPECT_EQ(ReadAll(Catalogue()), ExpectedLine(cover) + ExpectedLine(cover));
  EXPECT_EQ(host_.commands.size(), 1u) << "an existing cover is not fetched again";
}

TEST_F(AnalyzeDetailTest, CatalogueThatCannotBeOpenedStopsEverything) {
  fs::create_directory(Catalogue());  // a folder in its place
  WriteDetail(DetailPage());
  EXPECT_THROW(harvest_->AnalyzeDetail(kLink), std::runtime_error);
  EXPECT_TRUE(host_.commands.empty());
  EXPECT_TRUE(view_.memo.empty());
  EXPECT_EQ(view_.Count("MemoLineCount"), 0);
}

TEST_F(AnalyzeDetailTest, MissingDetailFileWritesNothing) {
  harvest_->AnalyzeDetail(kLink);
  EXPECT_TRUE(fs::is_regular_file(Catalogue()));
  EXPECT_EQ(ReadAll(Catalogue()), "");
  EXPECT_TRUE(view_.calls.empty());
  EXPECT_EQ(host_.slept_ms, 0);
}

TEST_F(AnalyzeDetailTest, UnreadableDetailFileIsTriedThreeTimes) {
  // A file that exists but cannot be read, even by root: reading the start of
  // the process's own memory fails.
  std::error_code ec;
  fs::create_symlink("/proc/self/mem", DetailFile(), ec);
  if (ec) GTEST_SKIP() << "no /proc/self/mem";
  std::string probe;
  if (platform::ReadFile(DetailFile(), probe)) GTEST_SKIP() << "readable here";

  harvest_->AnalyzeDetail(kLink);
  EXPECT_EQ(host_.slept_ms, 3 * 2000);
  EXPECT_EQ(ReadAll(Catalogue()), "");
  EXPECT_EQ(view_.memo, std::vector<std::string>{""});
}

TEST_F(AnalyzeDetailTest, PagesWithoutAnItemGiveAnEmptyMemoLineOnly) {
  constexpr char kGarbage[] = "\x00\xff<\x81<p class=\"itemtitle\x82>\x00\r\r\n<\xfd\x80";
  const std::string garbage(kGarbage, sizeof kGarbage - 1);
  for (const std::string& page :
       {std::string(), std::string("<html><body><p>just text</p></body></html>\r\n"), garbage}) {
    view_.memo.clear();
    WriteDetail(page);
    harvest_->AnalyzeDetail(kLink);
    EXPECT_EQ(view_.memo, std::vector<std::string>{""});
  }
  EXPECT_EQ(ReadAll(Catalogue()), "");
  EXPECT_TRUE(host_.commands.empty());
}

TEST_F(AnalyzeDetailTest, PlaceholderCoverIsNamedButNotFetched) {
  PageParts parts;
  parts.image = "https://img.example/img/nowprinting.jpg";
  WriteDetail(DetailPage(parts));
  harvest_->AnalyzeDetail(kLink);
  EXPECT_TRUE(host_.commands.empty());
  EXPECT_EQ(ReadAll(Catalogue()), ExpectedLine(temp_dir_ + "9784101010014.jpg"));
}

TEST_F(AnalyzeDetailTest, NoIsbnNamesTheCoverAfterTheTitle) {
  PageParts parts;
  parts.isbn_row = "978-4-10-101001";                            // 12 characters without hyphens
  parts.title = "\x98_\x8c\xea/\x92\x8d\x8e\xdf:\x90V\x94\xc5";  // "論語/注釈:新版"
  parts.image = "https://img.example/c/X.JPG";
  WriteDetail(DetailPage(parts));
  harvest_->AnalyzeDetail(kLink);
  const std::string line = ReadAll(Catalogue());
  EXPECT_EQ(line.substr(0, 4), "\"\",\"") << "field 1 empty";
  const std::string cover = temp_dir_ + kRongo + ".JPG";
  EXPECT_NE(line.find(",\"" + cover + "\"\r\n"), std::string::npos) << line;
  EXPECT_EQ(ReadAll(cover), "JPEG");
}

TEST_F(AnalyzeDetailTest, HostileIsbnRowCannotWriteOutsideTheTemporaryFolder) {
  PageParts parts;
  parts.isbn_row = "../../../abcd";  // 13 characters, no hyphens
  WriteDetail(DetailPage(parts));
  harvest_->AnalyzeDetail(kLink);
  const std::string line = ReadAll(Catalogue());
  ASSERT_FALSE(line.empty());
  // The field keeps what the page wrote; the file name does not.
  EXPECT_EQ(line.substr(0, 16), "\"../../../abcd\",");
  for (const auto& command : host_.commands) {
    const fs::path out = OutputPathOf(command.command_line);
    EXPECT_EQ(out.parent_path().string() + Sep(), temp_dir_) << command.command_line;
  }
  for (const auto& entry : fs::recursive_directory_iterator(root_.Path())) {
    if (entry.is_regular_file()) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(entry.path().parent_path().string() + Sep() == temp_dir_ ||
                  name == "QuillsMas.csv" || name == "kivo.txt")
          << entry.path();
    }
  }
}

TEST_F(AnalyzeDetailTest, StopRequestedWritesTheLineWithoutFetching) {
  state_.FStopRequested = true;
  WriteDetail(DetailPage());
  harvest_->AnalyzeDetail(kLink);
  EXPECT_TRUE(host_.commands.empty());
  EXPECT_EQ(ReadAll(Catalogue()), ExpectedLine(temp_dir_ + "9784101010014.jpg"));
}

#ifndef _WIN32
TEST_F(AnalyzeDetailTest, LineThatCannotBeWrittenReachesTheCallerAndGetsNoEntry) {
  // The disk fills up while the cover downloads: the title is still
  // listed, the failure is not hidden, and nothing of the line stays.
  WriteAll(Catalogue(), "\"old line\"\r\n");
  on_serve_ = [this] { file_limit_.emplace(fs::file_size(Catalogue()) + 10); };
  WriteDetail(DetailPage());
  EXPECT_THROW(harvest_->AnalyzeDetail(kLink), std::runtime_error);
  file_limit_.reset();
  EXPECT_EQ(ReadAll(Catalogue()), "\"old line\"\r\n");
  EXPECT_FALSE(state_.FHistory.IsInHistory(kLink));
  EXPECT_FALSE(fs::exists(HostDir() + "kivo.txt"));
  EXPECT_EQ(view_.memo, std::vector<std::string>{kCat});
}

TEST_F(AnalyzeDetailTest, AnEntryThatCannotBeWrittenTakesTheLineBackOut) {
  // The history is larger than the disk has room for, the catalogue not:
  // the line goes in, the entry does not, and the line comes out again.
  WriteAll(Catalogue(), "\"old line\"\r\n");
  const std::string history = HostDir() + "kivo.txt";
  WriteAll(history, std::string(4000, 'x') + "\r\n");
  file_limit_.emplace(4010);
  WriteDetail(DetailPage());
  try {
    harvest_->AnalyzeDetail(kLink);
    ADD_FAILURE() << "no error";
  } catch (const THistoryWriteError& e) {
    EXPECT_EQ(std::string(e.what()), history + messages::kCannotWrite);
  }
  file_limit_.reset();
  EXPECT_EQ(ReadAll(Catalogue()), "\"old line\"\r\n");
  EXPECT_EQ(fs::file_size(history), 4002u);
  EXPECT_FALSE(state_.FHistory.IsInHistory(kLink));
}

#endif

TEST_F(AnalyzeDetailTest, ATitleIsCommittedLineFirstThenEntry) {
  WriteDetail(DetailPage());
  harvest_->AnalyzeDetail(kLink);
  EXPECT_EQ(ReadAll(Catalogue()), ExpectedLine(temp_dir_ + "9784101010014.jpg"));
  EXPECT_EQ(ReadAll(HostDir() + "kivo.txt"), "20261207" + std::string(kLink) + "\r\n");
  EXPECT_TRUE(state_.FHistory.IsInHistory(kLink));
  EXPECT_EQ(harvest_->Tally().TitlesAdded, 1);
}

TEST_F(AnalyzeDetailTest, MemoIsClearedPastAHundredLines) {
  WriteDetail(DetailPage());
  view_.memo.assign(100, "old");
  harvest_->AnalyzeDetail(kLink);
  EXPECT_EQ(view_.memo.size(), 101u);
  harvest_->AnalyzeDetail(kLink);
  EXPECT_EQ(view_.memo, std::vector<std::string>{kCat});
}

class ThrowingMemoView : public FakeHarvestView {
 public:
  using FakeHarvestView::FakeHarvestView;
  int MemoLineCount() override { throw std::runtime_error("memo"); }
};

TEST(AnalyzeDetailMemo, FailingMemoIsClearedAndTheTitleAddedAgain) {
  TempFolder root{"kivo-detail-memo-"};
  FakeRunHost host;
  TLogFile log(host);
  ThrowingMemoView view(log);
  TRunState state;
  state.FHostDir = root.Path().string();
  THarvest harvest(state, view, log, host, "/opt/host/plugin/kivo");
  ScopedTempDirEnv temp_env(root.Path().string() + Sep());
  WriteAll(root.File("Getkivo2.html"), DetailPage());
  harvest.AnalyzeDetail(kLink);
  EXPECT_EQ(view.memo, std::vector<std::string>{kCat});
  EXPECT_EQ(view.Count("MemoClear"), 1);
}

TEST_F(AnalyzeDetailTest, TenMegabytePageWithTheItemAtTheEnd) {
  std::string page;
  page.reserve(11 << 20);
  const std::string filler = "<div><span>filler \x82\xa0 text</span><br></div>\r\n";
  while (page.size() < (10u << 20)) page += filler;
  page += DetailPage();
  WriteDetail(page);
  harvest_->AnalyzeDetail(kLink);
  EXPECT_EQ(ReadAll(Catalogue()), ExpectedLine(temp_dir_ + "9784101010014.jpg"));
}

}  // namespace
}  // namespace kivo
