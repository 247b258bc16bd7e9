// One page, one link: the forms in which the shop may write the same detail
// page compare equal, and pages that differ never do.
#include "harvest/canonical_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivo {
namespace {

constexpr char kLink[] = "http://s/bec/SA/Detail?refShinCode=1&x=2";

TEST(CanonicalLink, OnePageWrittenManyWaysIsOneLink) {
  const std::vector<std::string> same = {
      kLink,
      "hTtp://s/bec/SA/Detail?refShinCode=1&x=2",        // scheme case
      "HTTPS://S/bec/SA/Detail?refShinCode=1&x=2",       // https, host case
      "http://S:80/bec/SA/Detail?refShinCode=1&x=2",     // default port
      "https://s:0443/bec/SA/Detail?refShinCode=1&x=2",  // default port with zeros
      "http://user@s/bec/SA/Detail?refShinCode=1&x=2",   // user information
      "http://s/bec/SA/Detail?x=2&refShinCode=1",        // parameter order
      "http://s/bec/SA/Detail?refShinCode=1&&x=2&",      // empty parameters
      "http://s/bec/SA/Detail?refShinCode=1&x=2#top",    // fragment
      "http://s/bec/SA/Detail?refShinCode=%31&x=%32",    // escapes of plain bytes
      "http://s/bec/%53A/Detail?refShinCode=1&x=2",      // an escape in the path
      " http://s/bec/SA/Detail?refShinCode=1&x=2\r\n",   // blanks around it
  };
  for (const auto& link : same) EXPECT_EQ(CanonicalLink(link), CanonicalLink(kLink)) << link;
  // Shift-JIS bytes and their escapes, in either case of hex digit.
  EXPECT_EQ(CanonicalLink("http://s/a?t=\x82\xa0"), CanonicalLink("http://s/a?t=%82%a0"));
  EXPECT_EQ(CanonicalLink("http://s"), CanonicalLink("http://s/"));
  EXPECT_EQ(CanonicalLink("http://s/a?"), CanonicalLink("http://s/a"));
}

TEST(CanonicalLink, DifferentPagesStayApart) {
  const std::vector<std::string> other = {
      "http://s/bec/SA/Detail?refShinCode=12&x=2",      // another item
      "http://s/bec/sa/Detail?refShinCode=1&x=2",       // paths keep their case
      "http://t/bec/SA/Detail?refShinCode=1&x=2",       // another host
      "http://s:8080/bec/SA/Detail?refShinCode=1&x=2",  // another port
      "http://s/bec/SA/Detail?refShinCode=1&x=2&y=3",   // another parameter
      "http://s/bec/SA/Detail?refShinCode=1%26x=2",     // an escaped "&" joins, not splits
      "http://s/bec/SA/Detail?refShinCode=1&x%3D2",     // an escaped "=" is no separator
      "http://s/bec/SA/Detail%3FrefShinCode=1&x=2",     // nor an escaped "?"
      "/bec/SA/Detail?refShinCode=1&x=2",               // no host: compared as written
      "ftp://s/bec/SA/Detail?refShinCode=1&x=2",
  };
  for (const auto& link : other) EXPECT_NE(CanonicalLink(link), CanonicalLink(kLink)) << link;
  EXPECT_NE(CanonicalLink("http://s/a?q=a+b"), CanonicalLink("http://s/a?q=a%2Bb"));
  EXPECT_NE(CanonicalLink("http://s/a%2Fb"), CanonicalLink("http://s/a/b"));
  // An escape cut short stands for itself, not for the byte it begins.
  EXPECT_EQ(CanonicalLink("http://s/a%4"), CanonicalLink("http://s/a%254"));
  EXPECT_NE(CanonicalLink("http://s/a%2541"), CanonicalLink("http://s/aA"));
  EXPECT_EQ(CanonicalLink("http://s/a%41"), CanonicalLink("http://s/aA"));
}

}  // namespace
}  // namespace kivo
