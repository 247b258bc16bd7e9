// A tokenizer that turns a page's lines into a flat list of tag and text
// nodes. It works on Shift-JIS bytes: every delimiter it looks at lies below
// 0x40 and so never occurs as the second byte of a double-byte character.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kivo {

class THTMLParam {
 public:
  // Stores the attribute text and derives Name and Value from it.
  void SetRaw(const std::string& raw);
  std::string Raw;
  std::string Name;   // before the first "=", upper-cased
  std::string Value;  // after the first "=", one pair of enclosing quotes removed
};

class THTMLTag;
class THTMLText;

// Consumers use only: Nodes.size(), Nodes[i]->AsTag() / AsText(), the tag's
// Name and Params (each with Name and Value), the text's Text, each field
// compared as or converted to std::string_view. The storage behind them is
// the tokenizer's own business.
class THTMLNode {
 public:
  virtual ~THTMLNode() = default;
  virtual const THTMLTag* AsTag() const { return nullptr; }
  virtual const THTMLText* AsText() const { return nullptr; }
};

class THTMLTag : public THTMLNode {
 public:
  const THTMLTag* AsTag() const override { return this; }
  // Stores the tag text (between "<" and ">") and derives Name and Params;
  // may be called again, replacing the attributes.
  void SetRaw(const std::string& raw);
  std::string Name;  // first word, upper-cased ("/B", "!--", "" for an empty tag)
  std::string Raw;
  std::vector<THTMLParam> Params;
};

class THTMLText : public THTMLNode {
 public:
  const THTMLText* AsText() const override { return this; }
  // Stores the collected text and derives the decoded Text from it.
  void SetRaw(const std::string& raw);
  std::string Text;  // line feeds to spaces, runs of spaces collapsed, references decoded
  std::string Raw;
};

class THTMLParser {
 public:
  // The input lines without terminators; filled by the caller before Parse.
  std::vector<std::string> Lines;
  // Nodes in document order, owned by the parser.
  std::vector<std::unique_ptr<THTMLNode>> Nodes;
  // Called often enough during Parse to keep a window responsive (the
  // caller's PumpMessages); may be empty.
  std::function<void()> Pump;

  // Tokenizes Lines and appends the nodes to Nodes. Never fails.
  void Parse();
};

}  // namespace kivo
