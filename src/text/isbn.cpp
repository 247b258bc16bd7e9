// ISBN helpers: the EAN-13 check digit, ISBN-10 to ISBN-13 and hyphen
// removal. ISBNs are ASCII, so lengths and positions here count bytes.
#include "text/text.h"

namespace kivo {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string EanCheckDigit(const std::string& text) {
  if (text.size() < 12) return "";
  int sum = 0;
  for (std::size_t i = 0; i < 12; ++i) {
    if (!IsDigit(text[i])) return "";
    // Weights 1, 3, 1, 3, ... from the left.
    sum += (text[i] - '0') * (i % 2 == 0 ? 1 : 3);
  }
  return std::string(1, static_cast<char>('0' + (10 - sum % 10) % 10));
}

std::string Isbn10To13(const std::string& text) {
  const std::string trimmed = TrimBlanks(text);
  if (trimmed.size() != 10) return text;
  // The tenth character, the ISBN-10's own check character (possibly "X"),
  // is not used: the ISBN-13 gets a check digit of its own.
  const std::string body = "978" + trimmed.substr(0, 9);
  const std::string check = EanCheckDigit(body + "0");
  if (check.empty()) return "";
  return body + check;
}

std::string StripIsbnHyphens(const std::string& text) {
  const std::size_t length = TrimBlanks(text).size();
  if (length != 13 && length != 17) return text;
  return ReplaceAll(text, "-", "");
}

}  // namespace kivo
