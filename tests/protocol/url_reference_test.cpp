// Where a redirect leads: the examples of RFC 3986 section 5.4 and the cases
// a shop's Location headers bring.
#include "protocol/url_reference.h"

#include <gtest/gtest.h>

namespace kivo::protocol {
namespace {

struct Case {
  const char* reference;
  const char* expected;
};

TEST(ResolveUrlReference, NormalExamples) {
  const Case cases[] = {
      {"g:h", "g:h"},
      {"g", "http://a/b/c/g"},
      {"./g", "http://a/b/c/g"},
      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},
      {"//g", "http://g"},
      {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q#s"},
      {"g#s", "http://a/b/c/g#s"},
      {"g?y#s", "http://a/b/c/g?y#s"},
      {";x", "http://a/b/c/;x"},
      {"g;x", "http://a/b/c/g;x"},
      {"", "http://a/b/c/d;p?q"},
      {".", "http://a/b/c/"},
      {"./", "http://a/b/c/"},
      {"..", "http://a/b/"},
      {"../", "http://a/b/"},
      {"../g", "http://a/b/g"},
      {"../..", "http://a/"},
      {"../../", "http://a/"},
      {"../../g", "http://a/g"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveUrlReference("http://a/b/c/d;p?q", c.reference), c.expected) << c.reference;
  }
}

TEST(ResolveUrlReference, AbnormalExamples) {
  const Case cases[] = {
      {"../../../g", "http://a/g"},
      {"../../../../g", "http://a/g"},
      {"/./g", "http://a/g"},
      {"/../g", "http://a/g"},
      {"g.", "http://a/b/c/g."},
      {".g", "http://a/b/c/.g"},
      {"g..", "http://a/b/c/g.."},
      {"..g", "http://a/b/c/..g"},
      {"./../g", "http://a/b/g"},
      {"./g/.", "http://a/b/c/g/"},
      {"g/./h", "http://a/b/c/g/h"},
      {"g/../h", "http://a/b/c/h"},
      {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
      {"g;x=1/../y", "http://a/b/c/y"},
      {"g?y/./x", "http://a/b/c/g?y/./x"},
      {"g?y/../x", "http://a/b/c/g?y/../x"},
      {"g#s/./x", "http://a/b/c/g#s/./x"},
      {"g#s/../x", "http://a/b/c/g#s/../x"},
      {"http:g", "http:g"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveUrlReference("http://a/b/c/d;p?q", c.reference), c.expected) << c.reference;
  }
}

TEST(ResolveUrlReference, RedirectsOfAShop) {
  const std::string base = "https://www.kivo.co.jp/bec/SE/Genre?dcode=01&ccode=01";
  EXPECT_EQ(ResolveUrlReference(base, "https://cdn.kivo.co.jp/x.jpg"),
            "https://cdn.kivo.co.jp/x.jpg");
  EXPECT_EQ(ResolveUrlReference(base, "/bec/login?next=/bec/SE/Genre"),
            "https://www.kivo.co.jp/bec/login?next=/bec/SE/Genre");
  EXPECT_EQ(ResolveUrlReference(base, "Genre2?a=1&b=2"),
            "https://www.kivo.co.jp/bec/SE/Genre2?a=1&b=2");
  EXPECT_EQ(ResolveUrlReference(base, "//img.kivo.co.jp/a.jpg"), "https://img.kivo.co.jp/a.jpg");
  // A host without a path: the reference starts at the root.
  EXPECT_EQ(ResolveUrlReference("http://h:8080", "page"), "http://h:8080/page");
  EXPECT_EQ(ResolveUrlReference("http://h:8080?x", ""), "http://h:8080?x");
  // The original fragment survives a redirect that names none.
  EXPECT_EQ(ResolveUrlReference("http://h/a#top", "/b"), "http://h/b#top");
  EXPECT_EQ(ResolveUrlReference("http://h/a#top", "/b#end"), "http://h/b#end");
  // Bytes are passed on as they are; checking is the caller's job.
  EXPECT_EQ(ResolveUrlReference("http://h/a/", "\x83\x5c x"), "http://h/a/\x83\x5c x");
}

TEST(StripUrlFragment, CutsAtTheFirstHash) {
  EXPECT_EQ(StripUrlFragment("http://h/a?b#c#d"), "http://h/a?b");
  EXPECT_EQ(StripUrlFragment("http://h/a?b"), "http://h/a?b");
  EXPECT_EQ(StripUrlFragment("http://h/#"), "http://h/");
}

}  // namespace
}  // namespace kivo::protocol
