// A tokenizer that turns a page's lines into a flat list of tag and text
// nodes. It works on Shift-JIS bytes: every delimiter it looks at lies below
// 0x40 and so never occurs as the second byte of a double-byte character.
//
// Consumers use only: Nodes.size(), Nodes[i]->AsTag() / AsText(), the tag's
// Name and Params (each with Name and Value), the text's Text, each field
// compared with a string or converted to std::string / std::string_view.
// The fields are views into storage owned by the parser (or, for an object
// filled with SetRaw on its own, by that object); they stay valid until the
// owner is destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivo {

namespace html_internal {
class THTMLStore;
class TParser;
}  // namespace html_internal

// One attribute of a tag.
class THTMLParam {
 public:
  THTMLParam() noexcept;
  THTMLParam(THTMLParam&&) noexcept;
  THTMLParam& operator=(THTMLParam&&) noexcept;
  ~THTMLParam();

  // Stores the attribute text and derives Name and Value from it.
  void SetRaw(std::string_view raw);

  std::string_view Raw;
  std::string_view Name;   // before the first "=" (all of it without one), "a".."z" upper-cased
  std::string_view Value;  // after the first "=", one pair of enclosing double quotes removed

 private:
  friend class THTMLTag;
  std::unique_ptr<html_internal::THTMLStore> FOwn;  // set only by SetRaw
};

class THTMLTag;
class THTMLText;

// A node of the list: a tag or a text. Tells its kind without a virtual call.
class THTMLNode {
 public:
  const THTMLTag* AsTag() const;    // nullptr for a text node
  const THTMLText* AsText() const;  // nullptr for a tag node

 protected:
  enum class TKind : std::uint8_t { Tag, Text };
  explicit THTMLNode(TKind kind) noexcept : FKind(kind) {}
  ~THTMLNode() = default;

 private:
  TKind FKind;
};

// The text between "<" and ">".
class THTMLTag : public THTMLNode {
 public:
  THTMLTag() noexcept;
  THTMLTag(THTMLTag&&) noexcept;
  THTMLTag& operator=(THTMLTag&&) noexcept;
  ~THTMLTag();

  // Stores the tag text and derives Name and Params; may be called again,
  // which frees the attributes it held.
  void SetRaw(std::string_view raw);

  std::string_view Name;  // first word, upper-cased ("/B", "!--", "" for an empty tag)
  std::string_view Raw;
  std::span<const THTMLParam> Params;  // in the order written

 private:
  friend class html_internal::TParser;
  void Build(html_internal::THTMLStore& store, std::string_view raw);
  std::unique_ptr<html_internal::THTMLStore> FOwn;  // set only by SetRaw
};

// A stretch of text between tags.
class THTMLText : public THTMLNode {
 public:
  THTMLText() noexcept;
  THTMLText(THTMLText&&) noexcept;
  THTMLText& operator=(THTMLText&&) noexcept;
  ~THTMLText();

  // Stores the collected text and derives the decoded Text from it: line
  // feeds become spaces, runs of spaces one space, then character references
  // are decoded one level deep ("&amp;lt;" gives "&lt;"). A numeric
  // reference whose number lies outside 0..255 (a negative one, or a decimal
  // above 255) stays as written, like one that does not read as a number.
  void SetRaw(std::string_view raw);

  std::string_view Text;  // line feeds to spaces, runs of spaces collapsed, references decoded
  std::string_view Raw;   // as collected, line feeds included

 private:
  friend class html_internal::TParser;
  void Build(html_internal::THTMLStore& store, std::string_view raw);
  std::unique_ptr<html_internal::THTMLStore> FOwn;  // set only by SetRaw
};

inline const THTMLTag* THTMLNode::AsTag() const {
  return FKind == TKind::Tag ? static_cast<const THTMLTag*>(this) : nullptr;
}
inline const THTMLText* THTMLNode::AsText() const {
  return FKind == TKind::Text ? static_cast<const THTMLText*>(this) : nullptr;
}

// The parser's node list: pointers in document order to nodes it owns.
// Stretches of the page with the same raw text and kind (every "</td>", every
// line break with the same indentation) share one node object, so the same
// pointer may stand at several positions: tell positions apart by index.
class THTMLNodeList {
 public:
  using const_iterator = std::vector<const THTMLNode*>::const_iterator;
  std::size_t size() const { return FItems.size(); }
  bool empty() const { return FItems.empty(); }
  const THTMLNode* operator[](std::size_t i) const { return FItems[i]; }
  const_iterator begin() const { return FItems.begin(); }
  const_iterator end() const { return FItems.end(); }

 private:
  friend class html_internal::TParser;
  std::vector<const THTMLNode*> FItems;
};

class THTMLParser {
 public:
  THTMLParser();
  ~THTMLParser();
  THTMLParser(const THTMLParser&) = delete;
  THTMLParser& operator=(const THTMLParser&) = delete;

  // The input lines without terminators; filled by the caller before Parse.
  // Parse reads them and leaves them as they are.
  std::vector<std::string> Lines;
  // Nodes in document order, owned by the parser.
  THTMLNodeList Nodes;
  // Called often enough during Parse to keep a window responsive (the
  // caller's PumpMessages): after every 64 KiB of input and once at the end.
  // May be empty. It must not touch this parser.
  std::function<void()> Pump;

  // Tokenizes Lines and appends the nodes to Nodes (Nodes is not cleared
  // first). Never fails on any input; only running out of memory throws.
  void Parse();

 private:
  friend class html_internal::TParser;
  struct TStorage;
  std::unique_ptr<TStorage> FStorage;
};

}  // namespace kivo
