// The redirect policy both downloaders follow: which redirects are followed,
// which are refused and named, and where following stops.
#include "redirects.h"

#include <gtest/gtest.h>

#include <string>

namespace kivo::fetch {
namespace {

constexpr char kStart[] = "http://shop.test/bec/SA/Detail?refShinCode=1";

// One redirect from `start`: whether it was followed, and what Follow says.
struct Hop {
  bool followed = false;
  DownloadStatus failure = DownloadStatus::kComplete;
  std::string url;
  std::string refused_host;
};

Hop FollowOnce(const std::string& start, long status, const std::string& location) {
  Redirects redirects(start, 10);
  Hop hop;
  std::string error;
  hop.followed = redirects.Follow(status, location, hop.failure, error);
  hop.url = redirects.url();
  hop.refused_host = redirects.refused_host();
  if (!hop.followed) {
    EXPECT_FALSE(error.empty());
  }
  return hop;
}

TEST(Redirects, AreFollowedOnTheHostAskedFor) {
  for (const long status : {301, 302, 303, 307, 308}) {
    const Hop hop = FollowOnce(kStart, status, "http://shop.test/other");
    EXPECT_TRUE(hop.followed) << status;
    EXPECT_EQ(hop.url, "http://shop.test/other");
  }
  // The host is the name, in any case, at any port; http may become https.
  for (const char* location : {"http://SHOP.test/b", "http://shop.test:8080/b",
                               "https://shop.test/b", "https://user@shop.test:8443/b"}) {
    EXPECT_TRUE(FollowOnce(kStart, 302, location).followed) << location;
  }
  EXPECT_TRUE(FollowOnce("http://[::1]:8080/a", 302, "http://[::1]:9090/b").followed);
}

TEST(Redirects, ThatLeaveTheHostOrHttpsOrHttpAreRefusedAndNamed) {
  const struct {
    const char* start;
    const char* location;
    const char* host;  // the host named for the user
  } cases[] = {
      {kStart, "http://elsewhere.example/x", "elsewhere.example"},
      // What stands before an "@" is not the host.
      {kStart, "http://shop.test@evil.example/", "evil.example"},
      {kStart, "http://shop.test:80@evil.example:80/", "evil.example"},
      {kStart, "http://shop.test.evil.example/", "shop.test.evil.example"},
      {kStart, "http://evil.example/?next=http://shop.test/", "evil.example"},
      {kStart, "http://evil.example#@shop.test", "evil.example"},
      // A host that only decodes to the shop's is another one.
      {kStart, "http://sh%6Fp.test/", "sh%6fp.test"},
      {"https://shop.test/a", "http://shop.test/a", "shop.test"},
      {kStart, "ftp://shop.test/a", "shop.test"},
      {kStart, "file:///etc/passwd", ""},
      {kStart, "javascript:alert(1)", ""},
      {"http://[::1]/a", "http://[::2]/a", "[::2]"},
  };
  for (const auto& c : cases) {
    const Hop hop = FollowOnce(c.start, 302, c.location);
    EXPECT_FALSE(hop.followed) << c.location;
    EXPECT_EQ(hop.failure, DownloadStatus::kRedirectRefused) << c.location;
    EXPECT_EQ(hop.refused_host, c.host) << c.location;
    EXPECT_EQ(hop.url, c.start) << "nothing is asked of where it points";
  }
}

TEST(Redirects, StopAfterTenAndAtAnswersThatAreNoRedirects) {
  Redirects redirects(kStart, 10);
  DownloadStatus failure;
  std::string error;
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(redirects.Follow(301, "http://shop.test/" + std::to_string(i), failure, error));
  }
  // The eleventh, or a loop: the shop's fault, not a refused redirect.
  EXPECT_FALSE(redirects.Follow(301, "http://shop.test/10", failure, error));
  EXPECT_EQ(failure, DownloadStatus::kFailed);
  EXPECT_EQ(redirects.followed(), 10);

  const struct {
    long status;
    const char* location;
    DownloadStatus failure;
  } ends[] = {
      {302, "", DownloadStatus::kFailed},  // no usable Location
      {404, "", DownloadStatus::kGone},
      {410, "", DownloadStatus::kGone},
      {407, "", DownloadStatus::kProxyAuth},
      {500, "", DownloadStatus::kFailed},
      {300, "http://shop.test/a", DownloadStatus::kFailed},
      {304, "http://shop.test/a", DownloadStatus::kFailed},
  };
  for (const auto& end : ends) {
    const Hop hop = FollowOnce(kStart, end.status, end.location);
    EXPECT_FALSE(hop.followed) << end.status;
    EXPECT_EQ(hop.failure, end.failure) << end.status;
    EXPECT_EQ(hop.refused_host, "") << end.status;
  }
}

TEST(AddressHost, IsTheNameTheDownloaderConnectsTo) {
  EXPECT_EQ(AddressHost("https://User:Pw@WWW.Kivo.co.jp:443/x?y#z"), "www.kivo.co.jp");
  EXPECT_EQ(AddressHost("http://[::1]:8080/"), "[::1]");
  EXPECT_EQ(AddressHost("http://127.0.0.1"), "127.0.0.1");
  EXPECT_EQ(AddressHost("no scheme"), "");
  EXPECT_TRUE(IsLoopbackHost("localhost"));
  EXPECT_TRUE(IsLoopbackHost("[::1]"));
  EXPECT_FALSE(IsLoopbackHost("shop.localhost"));
}

}  // namespace
}  // namespace kivo::fetch
