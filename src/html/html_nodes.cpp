// Tag, attribute and text nodes: deriving their fields from the raw text.
#include <cstring>

#include "html/html_parser.h"
#include "html/html_store.h"

namespace kivo {

using html_internal::THTMLStore;
using html_internal::TParamParts;

namespace {

// The storage of an object filled on its own: its raw text, room for the
// upper-cased names and the decoded text, and its attributes.
std::unique_ptr<THTMLStore> OwnStore(std::string_view raw, std::size_t params) {
  return std::make_unique<THTMLStore>(2 * raw.size() + 16, params + 1);
}

// A space inside double quotes belongs to the attribute; every double quote
// toggles that state. Returns the attribute text that starts at *pos and
// moves *pos past it and past one space after it. *eq: the offset of its
// first "=" in it, or npos.
std::string_view NextParam(std::string_view rest, std::size_t* pos, std::size_t* eq) {
  const char* const first = rest.data() + *pos;
  const char* const end = rest.data() + rest.size();
  const char* p = first;
  const char* equals = nullptr;
  bool quoted_before_equals = false;
  while (p < end && *p != ' ') {
    if (*p == '"') {
      // Inside quotes only the closing quote matters.
      quoted_before_equals |= equals == nullptr;
      const void* close = std::memchr(p + 1, '"', static_cast<std::size_t>(end - p - 1));
      p = close != nullptr ? static_cast<const char*>(close) + 1 : end;
    } else {
      if (*p == '=' && equals == nullptr) equals = p;
      ++p;
    }
  }
  const std::string_view text(first, static_cast<std::size_t>(p - first));
  *pos += text.size() + (p < end ? 1 : 0);
  if (quoted_before_equals) {
    *eq = text.find('=');  // it may lie inside the quotes
  } else {
    *eq = equals != nullptr ? static_cast<std::size_t>(equals - first) : std::string_view::npos;
  }
  return text;
}

}  // namespace

// ---- THTMLParam

THTMLParam::THTMLParam() noexcept = default;
THTMLParam::THTMLParam(THTMLParam&&) noexcept = default;
THTMLParam& THTMLParam::operator=(THTMLParam&&) noexcept = default;
THTMLParam::~THTMLParam() = default;

void THTMLParam::SetRaw(std::string_view raw) {
  auto own = OwnStore(raw, 0);
  const TParamParts parts = html_internal::SplitParam(own->Bytes.Copy(raw));
  Raw = parts.raw;
  Value = parts.value;
  Name = html_internal::UpperName(own->Bytes, parts.name);
  FOwn = std::move(own);
}

// ---- THTMLTag

THTMLTag::THTMLTag() noexcept : THTMLNode(TKind::Tag) {}
THTMLTag::THTMLTag(THTMLTag&&) noexcept = default;
THTMLTag& THTMLTag::operator=(THTMLTag&&) noexcept = default;
THTMLTag::~THTMLTag() = default;

void THTMLTag::SetRaw(std::string_view raw) {
  // A new store replaces the old one, which frees the attributes held so far.
  auto own = OwnStore(raw, raw.size() / 2);
  Build(*own, own->Bytes.Copy(raw));
  FOwn = std::move(own);
}

void THTMLTag::Build(THTMLStore& store, std::string_view raw) {
  Raw = raw;
  // The name ends at the first space (0x20 only: a tab is part of the name).
  const std::size_t space = raw.find(' ');
  Name = html_internal::UpperName(store.Bytes, raw.substr(0, space));
  Params = {};
  if (space == std::string_view::npos) return;

  std::vector<TParamParts>& parts = store.Scratch;
  parts.clear();
  const std::string_view rest = raw.substr(space);
  std::size_t pos = 0;
  while (pos < rest.size()) {
    std::size_t eq = 0;
    const std::string_view text = NextParam(rest, &pos, &eq);
    if (!text.empty()) parts.push_back(html_internal::SplitParamAt(text, eq));
  }
  if (parts.empty()) return;
  THTMLParam* made = store.Params.Make(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    made[i].Raw = parts[i].raw;
    made[i].Value = parts[i].value;
    made[i].Name = html_internal::UpperName(store.Bytes, parts[i].name);
  }
  Params = std::span<const THTMLParam>(made, parts.size());
}

// ---- THTMLText

THTMLText::THTMLText() noexcept : THTMLNode(TKind::Text) {}
THTMLText::THTMLText(THTMLText&&) noexcept = default;
THTMLText& THTMLText::operator=(THTMLText&&) noexcept = default;
THTMLText::~THTMLText() = default;

void THTMLText::SetRaw(std::string_view raw) {
  auto own = OwnStore(raw, 0);
  Build(*own, own->Bytes.Copy(raw));
  FOwn = std::move(own);
}

void THTMLText::Build(THTMLStore& store, std::string_view raw) {
  Raw = raw;
  char* out = store.Bytes.Reserve(raw.size());
  const std::size_t n = html_internal::DecodeText(raw, out);
  if (n == html_internal::kUnchanged) {
    Text = raw;
  } else if (n == 1 && out[0] == ' ') {
    // Most text nodes of a page are the line breaks and indentation between
    // two tags; they all decode to one space and share this one.
    Text = " ";
  } else {
    store.Bytes.Commit(n);
    Text = store.Bytes.TakeRun();
  }
}

}  // namespace kivo
