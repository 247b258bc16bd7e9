#include <cstring>

#include "protocol/command_line.h"

namespace kivo::protocol {
namespace {

// Characters that make PowerShell do more than read a word: statement
// separators, pipes, redirections, sub-expressions, variables, script
// blocks, splatting, comments, array commas, the escape character and the
// quotes themselves. Outside single quotes any of them refuses the line.
constexpr char kSpecial[] = "'\"`$;|&<>(){}@#,";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLower(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = AsciiLower(c);
  return out;
}

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
      // Single quotes: every byte is literal; '' is one quote. Shift-JIS
      // trail bytes never take the value of a quote, so bytes are enough.
      token.quoted = true;
      ++i;
      bool closed = false;
      while (i < n) {
        if (s[i] == '\'') {
          if (i + 1 < n && s[i + 1] == '\'') {
            token.text += '\'';
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        token.text += s[i++];
      }
      if (!closed) {
        error = "unterminated quoted string";
        return false;
      }
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
  const std::string name = AsciiLower(token.text);
  return name == "wget" || name == "invoke-webrequest" || name == "iwr" || name == "curl";
}

bool IsParameter(const Token& token) {
  return !token.quoted && token.text.size() > 1 && token.text[0] == '-';
}

}  // namespace

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

  bool have_address = false;
  bool have_output = false;
  DownloadCommand parsed;
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (IsParameter(token)) {
      const std::string name = AsciiLower(token.text.substr(1));
      bool is_output = false;
      if (IsPrefixOf(name, "outfile")) {
        is_output = true;
      } else if (name.size() >= 2 && IsPrefixOf(name, "uri")) {
        is_output = false;
      } else {
        error = "unknown parameter " + token.text;
        return false;
      }
      if (i + 1 >= tokens.size() || IsParameter(tokens[i + 1])) {
        error = "parameter " + token.text + " needs a value";
        return false;
      }
      const std::string& value = tokens[++i].text;
      if (is_output) {
        if (have_output) {
          error = "more than one output file";
          return false;
        }
        have_output = true;
        parsed.output_path = value;
      } else {
        if (have_address) {
          error = "more than one address";
          return false;
        }
        have_address = true;
        parsed.address = value;
      }
      continue;
    }
    if (have_address) {
      error = "unexpected argument";
      return false;
    }
    have_address = true;
    parsed.address = token.text;
  }

  if (!have_address || parsed.address.empty()) {
    error = "no address";
    return false;
  }
  if (!have_output) {
    error = "no output file (-OutFile)";
    return false;
  }
  if (parsed.output_path.empty()) {
    error = "empty output file";
    return false;
  }
  for (char c : parsed.output_path) {
    if (IsControl(static_cast<unsigned char>(c))) {
      error = "control byte in the output file";
      return false;
    }
  }
  result = std::move(parsed);
  return true;
}

bool NormalizeDownloadAddress(const std::string& address, std::string& normalized,
                              std::string& error) {
  const std::string lower = AsciiLower(address);
  std::size_t rest = 0;
  if (lower.compare(0, 7, "http://") == 0) {
    rest = 7;
  } else if (lower.compare(0, 8, "https://") == 0) {
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
