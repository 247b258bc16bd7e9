#include <cstring>

#include "protocol/command_line.h"
#include "text/bytes.h"

namespace kivo::protocol {
namespace {

// Characters that make PowerShell do more than read a word: statement
// separators, pipes, redirections, sub-expressions, variables, script
// blocks, splatting, comments, array commas, the escape character and the
// quotes themselves. Outside single quotes any of them refuses the line.
constexpr char kSpecial[] = "'\"`$;|&<>(){}@#,";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

bool IsPrefixOf(const std::string& prefix, const std::string& word) {
  return !prefix.empty() && prefix.size() <= word.size() &&
         word.compare(0, prefix.size(), prefix) == 0;
}

struct Token {
  bool quoted = false;
  std::string text;
};

std::string Printable(unsigned char c) {
  static const char kHex[] = "0123456789ABCDEF";
  if (c >= 0x20 && c < 0x7f) return std::string(1, static_cast<char>(c));
  return std::string("0x") + kHex[c >> 4] + kHex[c & 15];
}

// Reads the single-quoted string that opens at `i` into `text` and moves
// `i` past its end, a character at a time as PowerShell does: a quote
// character followed by another gives the second, one alone ends the
// string. Every other character, 0x5C as a second byte included, is
// literal.
bool ReadQuoted(const std::string& s, std::size_t& i, std::string& text, std::string& error) {
  const std::size_t n = s.size();
  ++i;
  while (i < n) {
    std::size_t length = sjis::CharLength(s, i);
    if (IsSingleQuoteAt(s, i)) {
      const std::size_t next = i + length;
      if (next >= n || !IsSingleQuoteAt(s, next)) {
        i = next;
        return true;
      }
      i = next;
      length = sjis::CharLength(s, i);
    }
    text.append(s, i, length);
    i += length;
  }
  error = "unterminated quoted string";
  return false;
}

bool Tokenize(const std::string& s, std::vector<Token>& tokens, std::string& error) {
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    if (IsBlank(s[i])) {
      ++i;
      continue;
    }
    Token token;
    if (s[i] == '\'') {
      token.quoted = true;
      if (!ReadQuoted(s, i, token.text, error)) return false;
      if (i < n && !IsBlank(s[i])) {
        // PowerShell would glue or re-read what follows; we take no guesses.
        error = "text directly after a quoted string";
        return false;
      }
    } else {
      while (i < n && !IsBlank(s[i])) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (IsControl(c)) {
          error = "control byte " + Printable(c) + " outside quotes";
          return false;
        }
        if (c >= 0x80) {
          // PowerShell reads some double-byte characters as dashes and
          // quotes; a bare word has no business holding any of them.
          error = "non-ASCII byte outside quotes";
          return false;
        }
        if (std::strchr(kSpecial, c) != nullptr) {
          error = std::string("special character ") + Printable(c) + " outside quotes";
          return false;
        }
        token.text += s[i++];
      }
    }
    tokens.push_back(std::move(token));
  }
  return true;
}

bool IsCommandName(const Token& token) {
  if (token.quoted) return false;  // a quoted word is a value, not a command
  const std::string name = ascii::Lowered(token.text);
  return name == "wget" || name == "invoke-webrequest" || name == "iwr" || name == "curl";
}

bool IsParameter(const Token& token) {
  return !token.quoted && token.text.size() > 1 && token.text[0] == '-';
}

// What the arguments name, and which of them have been given.
struct Arguments {
  DownloadCommand command;
  bool have_address = false;
  bool have_output = false;
};

// Takes `value` as the output file when `is_output`, else as the address.
bool Take(bool is_output, const std::string& value, Arguments& args, std::string& error) {
  bool& have = is_output ? args.have_output : args.have_address;
  if (have) {
    error = is_output ? "more than one output file" : "more than one address";
    return false;
  }
  have = true;
  (is_output ? args.command.output_path : args.command.address) = value;
  return true;
}

// The arguments after the command name: -OutFile and -Uri (by any prefix
// from -O and -Ur) with their values, and one positional address.
bool ReadArguments(const std::vector<Token>& tokens, Arguments& args, std::string& error) {
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (!IsParameter(token)) {
      if (args.have_address) {
        error = "unexpected argument";
        return false;
      }
      if (!Take(false, token.text, args, error)) return false;
      continue;
    }
    const std::string name = ascii::Lowered(token.text.substr(1));
    const bool is_output = IsPrefixOf(name, "outfile");
    if (!is_output && !(name.size() >= 2 && IsPrefixOf(name, "uri"))) {
      error = "unknown parameter " + token.text;
      return false;
    }
    if (i + 1 >= tokens.size() || IsParameter(tokens[i + 1])) {
      error = "parameter " + token.text + " needs a value";
      return false;
    }
    if (!Take(is_output, tokens[++i].text, args, error)) return false;
  }
  return true;
}

// Both parts are there, and the output file is a name without control bytes.
bool CheckArguments(const Arguments& args, std::string& error) {
  if (!args.have_address || args.command.address.empty()) {
    error = "no address";
    return false;
  }
  if (!args.have_output) {
    error = "no output file (-OutFile)";
    return false;
  }
  if (args.command.output_path.empty()) {
    error = "empty output file";
    return false;
  }
  for (char c : args.command.output_path) {
    if (IsControl(static_cast<unsigned char>(c))) {
      error = "control byte in the output file";
      return false;
    }
  }
  return true;
}

}  // namespace

bool IsSingleQuoteAt(std::string_view text, std::size_t i) {
  if (i >= text.size()) return false;
  if (text[i] == '\'') return true;
  return sjis::CharLength(text, i) == 2 && text[i] == '\x81' &&
         (text[i + 1] == '\x65' || text[i + 1] == '\x66');
}

std::string JoinCommandWords(const std::vector<std::string>& words) {
  std::string joined;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) joined += ' ';
    joined += words[i];
  }
  return joined;
}

bool ParseDownloadCommand(const std::string& command, DownloadCommand& result, std::string& error) {
  std::vector<Token> tokens;
  if (!Tokenize(command, tokens, error)) return false;
  if (tokens.empty()) {
    error = "no command";
    return false;
  }
  if (!IsCommandName(tokens[0])) {
    error = "unknown command (expected wget, Invoke-WebRequest, iwr or curl)";
    return false;
  }
  Arguments args;
  if (!ReadArguments(tokens, args, error) || !CheckArguments(args, error)) return false;
  result = std::move(args.command);
  return true;
}

bool NormalizeDownloadAddress(const std::string& address, std::string& normalized,
                              std::string& error) {
  std::size_t rest = 0;
  if (ascii::StartsWithNoCase(address, "http://")) {
    rest = 7;
  } else if (ascii::StartsWithNoCase(address, "https://")) {
    rest = 8;
  } else {
    error = "only http:// and https:// addresses are fetched";
    return false;
  }
  if (rest >= address.size() || std::strchr("/?#", address[rest]) != nullptr) {
    error = "address without a host";
    return false;
  }
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(address.size() + 16);
  for (char ch : address) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (IsControl(c)) {
      error = "control byte in the address";
      return false;
    }
    if (c >= 0x80 || c == ' ' || std::strchr("\"\\<>^`{|}", c) != nullptr) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  normalized = std::move(out);
  return true;
}

}  // namespace kivo::protocol
