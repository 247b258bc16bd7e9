// Whether a body that ends where the connection closes came whole: an HTML
// page must show its "</html"; every other body counts as it came.
#include "document_watcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivo::fetch {
namespace {

// Feeds `pieces` in order and says whether the body is whole.
bool Whole(const char* content_type, const std::vector<std::string>& pieces) {
  DocumentWatcher watcher(content_type);
  for (const std::string& piece : pieces) watcher.Feed(piece.data(), piece.size());
  return watcher.Whole();
}

TEST(DocumentWatcher, AnHtmlPageIsWholeOnlyOnceItsEndArrived) {
  for (const char* type :
       {"text/html; charset=Shift_JIS", "application/xhtml+xml", " TEXT/HTML ;charset=utf-8"}) {
    SCOPED_TRACE(type);
    EXPECT_FALSE(Whole(type, {"<html><body>\x96\x7b\x93\xfa"}));
    EXPECT_FALSE(Whole(type, {"<html>", "</htm"}));
    // The end split between pieces, in any case, after a stray "<".
    EXPECT_TRUE(Whole(type, {"<html>", "</ht", "ML>\r\n"}));
    EXPECT_TRUE(Whole(type, {"<html><</html>"}));
    EXPECT_FALSE(Whole(type, {}));  // an empty page is a cut one
  }
}

TEST(DocumentWatcher, WithoutAContentTypeTheBodyTellsWhatItIs) {
  // A page: "<" after blanks and a UTF-8 byte order mark.
  EXPECT_FALSE(Whole("", {" \r\n\t<!DOCTYPE html><p>cut"}));
  EXPECT_FALSE(Whole("", {"\xEF\xBB", "\xBF \r\n<html>cut"}));
  EXPECT_TRUE(Whole("", {"\xEF\xBB\xBF<html></html>"}));
  // Not a page: nothing in it shows an end.
  EXPECT_TRUE(Whole("", {"GIF89a\x01\x00"}));
  EXPECT_TRUE(Whole("", {"\xEF\xBB\x00<html>"}));
  EXPECT_TRUE(Whole("", {"\xFF\xD8\xFF\xE0"}));
  EXPECT_TRUE(Whole("", {}));
}

TEST(DocumentWatcher, OtherTypesCountAsTheyCame) {
  EXPECT_TRUE(Whole("image/jpeg", {"<html>cut"}));
  EXPECT_TRUE(Whole("text/plain", {"<html>cut"}));
}

TEST(EndsWhereTheConnectionCloses, OnlyAnUnframedBodyWithoutALength) {
  EXPECT_TRUE(EndsWhereTheConnectionCloses(200, false, false));
  EXPECT_FALSE(EndsWhereTheConnectionCloses(200, true, false));
  EXPECT_FALSE(EndsWhereTheConnectionCloses(200, false, true));
  EXPECT_FALSE(EndsWhereTheConnectionCloses(204, false, false));
  EXPECT_FALSE(EndsWhereTheConnectionCloses(205, false, false));
}

}  // namespace
}  // namespace kivo::fetch
