#include "document_watcher.h"

#include <string>

#include "text/bytes.h"

namespace kivo::fetch {
namespace {

constexpr std::string_view kEndMark = "</html";
constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The media type of a Content-Type value: before any parameter, without
// the blanks around it, in lower case.
std::string MediaType(std::string_view content_type) {
  std::string_view type = content_type.substr(0, content_type.find(';'));
  while (!type.empty() && IsBlank(static_cast<unsigned char>(type.front()))) type.remove_prefix(1);
  while (!type.empty() && IsBlank(static_cast<unsigned char>(type.back()))) type.remove_suffix(1);
  return ascii::Lowered(type);
}

}  // namespace

bool EndsWhereTheConnectionCloses(long status, bool declared_length, bool framed) {
  return !declared_length && !framed && status != 204 && status != 205;
}

DocumentWatcher::DocumentWatcher(std::string_view content_type) {
  const std::string type = MediaType(content_type);
  if (type.empty()) {
    kind_ = Kind::kUndecided;
  } else if (type == "text/html" || type == "application/xhtml+xml") {
    kind_ = Kind::kDocument;
  } else {
    kind_ = Kind::kOther;
  }
}

void DocumentWatcher::Feed(const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size && !ended_ && kind_ != Kind::kOther; ++i) {
    const unsigned char c = static_cast<unsigned char>(data[i]);
    if (kind_ == Kind::kUndecided) Sniff(c);
    if (kind_ == Kind::kDocument) Search(c);
  }
}

bool DocumentWatcher::Whole() const { return kind_ != Kind::kDocument || ended_; }

void DocumentWatcher::Sniff(unsigned char c) {
  if (bom_bytes_ > 0 && !bom_done_) {
    if (c != kByteOrderMark[bom_bytes_]) {
      kind_ = Kind::kOther;
      return;
    }
    bom_done_ = ++bom_bytes_ == sizeof kByteOrderMark;
    return;
  }
  if (IsBlank(c)) return;
  if (c == kByteOrderMark[0] && !bom_done_) {
    bom_bytes_ = 1;
    return;
  }
  kind_ = c == '<' ? Kind::kDocument : Kind::kOther;
}

// "</html" repeats no part of its own beginning, so after a mismatch only a
// "<" can start it again. Its bytes are ASCII below 0x80 and "<" and "/" never
// complete a Shift-JIS character, so a match always starts a character.
void DocumentWatcher::Search(unsigned char c) {
  const char lower = ascii::Lower(static_cast<char>(c));
  if (lower == kEndMark[matched_]) {
    ended_ = ++matched_ == kEndMark.size();
  } else {
    matched_ = lower == '<' ? 1 : 0;
  }
}

}  // namespace kivo::fetch
