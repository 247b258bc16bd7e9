// The download helper's reading of its command line. Lines go through the
// same path as in the helper: split by the Windows rules (what the process
// layer and CreateProcess do), program name dropped, words joined with one
// space (what powershell.exe does), then parsed as a PowerShell command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cmdline.h"
#include "protocol/command_line.h"

namespace kivo::protocol {
namespace {

struct Parsed {
  bool ok = false;
  DownloadCommand command;
  std::string error;
};

Parsed ParseLine(const std::string& line) {
  std::vector<std::string> words = platform::SplitCommandLine(line);
  if (!words.empty()) words.erase(words.begin());
  Parsed parsed;
  parsed.ok = ParseDownloadCommand(JoinCommandWords(words), parsed.command, parsed.error);
  return parsed;
}

// What the page fetcher sends for an ordinary address: every "&" between two
// double quotes, everything else as it is.
std::string FetcherLine(const std::string& address, const std::string& path) {
  std::string quoted;
  for (char c : address) {
    if (c == '&') {
      quoted += "\"&\"";
    } else {
      quoted += c;
    }
  }
  return "powershell wget '" + quoted + "' -O '" + path + "'";
}

TEST(JoinCommandWords, PutsOneSpaceBetweenWords) {
  EXPECT_EQ(JoinCommandWords({}), "");
  EXPECT_EQ(JoinCommandWords({"wget"}), "wget");
  EXPECT_EQ(JoinCommandWords({"wget", "", "'a b'"}), "wget  'a b'");
}

TEST(ParseDownloadCommand, ReadsTheListingAddressWithItsAmpersands) {
  const std::string address =
      "https://www.kivo.co.jp/bec/SE/Genre?dcode=01&ccode=01&taishongpi=20261207"
      "&Genre_id=010100&listcnt=1";
  const std::string line = FetcherLine(address, "C:\\Temp\\Getkivo.html");
  ASSERT_EQ(line,
            "powershell wget 'https://www.kivo.co.jp/bec/SE/Genre?dcode=01\"&\"ccode=01\"&\""
            "taishongpi=20261207\"&\"Genre_id=010100\"&\"listcnt=1' -O 'C:\\Temp\\Getkivo.html'");
  const Parsed parsed = ParseLine(line);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.address, address);
  EXPECT_EQ(parsed.command.output_path, "C:\\Temp\\Getkivo.html");
}

TEST(ParseDownloadCommand, ReadsTwoAmpersandAddressAndKeepsOtherBytes) {
  const Parsed parsed = ParseLine(FetcherLine("http://h/p?a=1&b=%41&c=~", "/tmp/x.html"));
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.address, "http://h/p?a=1&b=%41&c=~");
}

TEST(ParseDownloadCommand, RefusesAnAmpersandLeftUnquotedForWindows) {
  // Without the double quotes the ampersand reaches PowerShell as an operator.
  const Parsed parsed = ParseLine("powershell wget http://h/p?a=1&b=2 -O '/tmp/x'");
  EXPECT_FALSE(parsed.ok);
}

TEST(ParseDownloadCommand, KeepsPathsWithSpacesAndShiftJisBytes) {
  Parsed parsed = ParseLine(FetcherLine("http://h/", "C:\\Documents and Settings\\Taro\\a.html"));
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.output_path, "C:\\Documents and Settings\\Taro\\a.html");

  // "ソフト" ends its first character with 0x5C, the backslash byte.
  const std::string sjis_folder = "C:\\\x83\x5c\x83\x74\x83\x67\\Getkivo.html";
  parsed = ParseLine(FetcherLine("http://h/", sjis_folder));
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.output_path, sjis_folder);
}

TEST(ParseDownloadCommand, DoubledSingleQuotesStandForOneQuote) {
  Parsed parsed = ParseLine("powershell wget 'http://h/' -O '/tmp/it''s here.html'");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.output_path, "/tmp/it's here.html");

  parsed = ParseLine("powershell wget 'http://h/' -O ''''");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.output_path, "'");
}

TEST(ParseDownloadCommand, ReadsFullWidthSingleQuotesAsPowerShellDoes) {
  // ‘ (81 65) and ’ (81 66) are single quotes to PowerShell: doubled, any
  // two stand for the second; alone, one ends the string.
  Parsed parsed = ParseLine("powershell wget 'http://h/' -O 'Let\x81\x66\x81\x66s'");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.output_path, "Let\x81\x66s");
  parsed = ParseLine(
      "powershell wget 'http://h/' -O 'a'\x81\x65"
      "b\x81\x66''");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.output_path,
            "a\x81\x65"
            "b'");
  parsed = ParseLine("powershell wget 'http://h/' -O 'Let\x81\x66s'");
  EXPECT_FALSE(parsed.ok);
  EXPECT_EQ(parsed.error, "text directly after a quoted string");
  parsed = ParseLine("powershell wget 'http://h/' -O '/tmp/a\x81\x66");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.output_path, "/tmp/a");
  parsed = ParseLine("powershell wget 'http://h/' -O '/tmp/a\x81\x66\x81\x66");
  EXPECT_FALSE(parsed.ok);
  EXPECT_EQ(parsed.error, "unterminated quoted string");
  // Read a character at a time: 81 81 then "f" hold the bytes 81 66 but no
  // ’, and the 5C of 表 (95 5C) before a quote is part of 表.
  parsed = ParseLine("powershell wget 'http://h/' -O '\x81\x81\x66\x95\x5c'");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.output_path, "\x81\x81\x66\x95\x5c");
}

TEST(ParseDownloadCommand, RefusesAnAddressThatTriesToEndItsQuotes) {
  // An unescaped quote in the address would smuggle a second output file in.
  Parsed parsed = ParseLine(FetcherLine("http://h/?q='x' -O '/etc/passwd'", "/tmp/Getkivo.html"));
  EXPECT_FALSE(parsed.ok);
  parsed = ParseLine(FetcherLine("http://h/'; Remove-Item C:\\ -Recurse; '", "/tmp/a"));
  EXPECT_FALSE(parsed.ok);

  // Percent-encoded, the same text is harmless: one address, one file.
  parsed =
      ParseLine(FetcherLine("http://h/?q=%27x%27%20-O%20%27/etc/passwd%27", "/tmp/Getkivo.html"));
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.address, "http://h/?q=%27x%27%20-O%20%27/etc/passwd%27");
  EXPECT_EQ(parsed.command.output_path, "/tmp/Getkivo.html");
}

TEST(ParseDownloadCommand, RefusesOperatorsAndCodeOutsideQuotes) {
  const char* const lines[] = {
      "powershell wget 'http://h/' -O '/tmp/a'; calc",
      "powershell wget 'http://h/' -O '/tmp/a' ; calc",
      "powershell wget 'http://h/' -O '/tmp/a' | Out-Null",
      "powershell wget 'http://h/' -O '/tmp/a' > /tmp/b",
      "powershell wget 'http://h/' -O '/tmp/a' 2>/tmp/b",
      "powershell wget 'http://h/' -O $(calc)",
      "powershell wget 'http://h/' -O $env:TEMP/a",
      "powershell wget 'http://h/' -O `calc`",
      "powershell wget 'http://h/' -O @args",
      "powershell wget 'http://h/' -O {calc}",
      "powershell wget 'http://h/' -O (calc)",
      "powershell wget 'http://h/' -O a,b",
      "powershell wget 'http://h/' -O '/tmp/a' # comment",
      "powershell wget \\\"http://h/\\\" -O '/tmp/a'",  // \" leaves a quote for PowerShell
      "powershell wget 'http://h/' -O '/tmp/a'x",
      "powershell wget 'http://h/'-O '/tmp/a'",
  };
  for (const char* line : lines) {
    EXPECT_FALSE(ParseLine(line).ok) << line;
  }
}

TEST(ParseDownloadCommand, TakesSpecialCharactersInsideQuotesLiterally) {
  const Parsed parsed =
      ParseLine("powershell wget 'http://h/?a=$(x)|;#' -O '/tmp/a;b|c$(d)`e{f}@g,h#'");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.address, "http://h/?a=$(x)|;#");
  EXPECT_EQ(parsed.command.output_path, "/tmp/a;b|c$(d)`e{f}@g,h#");
}

TEST(ParseDownloadCommand, RefusesUnterminatedQuotes) {
  EXPECT_FALSE(ParseLine("powershell wget 'http://h/ -O /tmp/a").ok);
  EXPECT_FALSE(ParseLine("powershell wget 'http://h/' -O '/tmp/a").ok);
  EXPECT_FALSE(ParseLine("powershell wget 'http://h/' -O '/tmp/a''").ok);
}

TEST(ParseDownloadCommand, NeedsExactlyOneAddressAndOneOutputFile) {
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"powershell wget 'http://h/'", "no output file (-OutFile)"},
      {"powershell wget 'http://h/' -O", "parameter -O needs a value"},
      {"powershell wget 'http://h/' -O -Uri 'x'", "parameter -O needs a value"},
      {"powershell wget -O '/tmp/a'", "no address"},
      {"powershell wget '' -O '/tmp/a'", "no address"},
      {"powershell wget 'http://h/' -O ''", "empty output file"},
      {"powershell wget 'http://h/' 'http://i/' -O '/tmp/a'", "unexpected argument"},
      {"powershell wget 'http://h/' -O '/tmp/a' 'extra'", "unexpected argument"},
      {"powershell wget 'http://h/' -O '/tmp/a' -O '/tmp/b'", "more than one output file"},
      {"powershell wget -Uri 'http://h/' 'http://i/' -O '/tmp/a'", "unexpected argument"},
      {"powershell wget 'http://h/' -Uri 'http://i/' -O '/tmp/a'", "more than one address"},
      {"powershell wget 'http://h/' -O '/tmp/a' -UseBasicParsing",
       "unknown parameter -UseBasicParsing"},
      {"powershell", "no command"},
      {"powershell -Command wget 'http://h/' -O '/tmp/a'", "unknown command"},
  };
  for (const Case& c : cases) {
    const Parsed parsed = ParseLine(c.line);
    EXPECT_FALSE(parsed.ok) << c.line;
    EXPECT_EQ(parsed.error.substr(0, std::string(c.error).size()), c.error) << c.line;
  }
}

TEST(ParseDownloadCommand, AcceptsTheCommandNamesAndParameterPrefixesPowerShellDoes) {
  const char* const accepted[] = {
      "powershell WGET 'http://h/' -O '/tmp/a'",
      "powershell Invoke-WebRequest 'http://h/' -OutFile '/tmp/a'",
      "powershell iwr 'http://h/' -OUTFILE '/tmp/a'",
      "powershell curl 'http://h/' -ou '/tmp/a'",
      "powershell wget -O '/tmp/a' 'http://h/'",
      "powershell wget -Uri 'http://h/' -Out '/tmp/a'",
      "powershell wget -O '/tmp/a' -ur 'http://h/'",
      "powershell wget http://h/ -O /tmp/a",
      "powershell  wget\t'http://h/'\t-O  '/tmp/a'  ",
  };
  for (const char* line : accepted) {
    const Parsed parsed = ParseLine(line);
    ASSERT_TRUE(parsed.ok) << line << ": " << parsed.error;
    EXPECT_EQ(parsed.command.address, "http://h/") << line;
    EXPECT_EQ(parsed.command.output_path, "/tmp/a") << line;
  }
  const char* const refused[] = {
      "powershell wget.exe 'http://h/' -O '/tmp/a'",
      "powershell Start-Process 'http://h/' -O '/tmp/a'",
      "powershell 'wget' 'http://h/' -O '/tmp/a'",
      "powershell wget 'http://h/' -OutFileX '/tmp/a'",
      "powershell wget 'http://h/' -Output '/tmp/a'",
      "powershell wget -U 'http://h/' -O '/tmp/a'",
      "powershell wget 'http://h/' -O:'/tmp/a'",
  };
  for (const char* line : refused) {
    EXPECT_FALSE(ParseLine(line).ok) << line;
  }
}

TEST(ParseDownloadCommand, RefusesControlAndDoubleByteCharactersWhereTheyDoNotBelong) {
  // A line break would start a second PowerShell statement.
  DownloadCommand command;
  std::string error;
  EXPECT_FALSE(ParseDownloadCommand("wget 'http://h/' -O '/tmp/a' \ncalc", command, error));
  EXPECT_EQ(error, "control byte 0x0A outside quotes");
  EXPECT_FALSE(ParseDownloadCommand("wget 'http://h/' -O '/tmp/a\nb'", command, error));
  EXPECT_EQ(error, "control byte in the output file");
  // PowerShell reads some double-byte characters as quotes or dashes.
  EXPECT_FALSE(ParseDownloadCommand("wget 'http://h/' \x81\x7cO '/tmp/a'", command, error));
  EXPECT_EQ(error, "non-ASCII byte outside quotes");
}

TEST(NormalizeDownloadAddress, AcceptsHttpAndHttpsOnly) {
  std::string out;
  std::string error;
  EXPECT_TRUE(NormalizeDownloadAddress("http://h/p?a=1&b=2", out, error));
  EXPECT_EQ(out, "http://h/p?a=1&b=2");
  EXPECT_TRUE(NormalizeDownloadAddress("HTTPS://h:8443/%41'x", out, error));
  EXPECT_EQ(out, "HTTPS://h:8443/%41'x");
  const char* const refused[] = {
      "ftp://h/a",
      "file:///etc/passwd",
      "javascript:alert(1)",
      "http:/h/a",
      "http://",
      "http:///etc/passwd",
      "https://?x",
      "//h/a",
      "h/a",
      "",
  };
  for (const char* address : refused) {
    EXPECT_FALSE(NormalizeDownloadAddress(address, out, error)) << address;
  }
}

TEST(NormalizeDownloadAddress, EncodesWhatARequestLineCannotCarry) {
  std::string out;
  std::string error;
  ASSERT_TRUE(NormalizeDownloadAddress("http://h/a b\"c\\d<e>{|}^`\x83\x5c", out, error));
  EXPECT_EQ(out, "http://h/a%20b%22c%5Cd%3Ce%3E%7B%7C%7D%5E%60%83%5C");
}

TEST(NormalizeDownloadAddress, RefusesControlBytes) {
  std::string out = "unchanged";
  std::string error;
  EXPECT_FALSE(NormalizeDownloadAddress("http://h/\r\nHost: evil", out, error));
  EXPECT_FALSE(NormalizeDownloadAddress(std::string("http://h/a\0b", 12), out, error));
  EXPECT_FALSE(NormalizeDownloadAddress("http://h/\x7f", out, error));
  EXPECT_EQ(out, "unchanged");
}

}  // namespace
}  // namespace kivo::protocol
