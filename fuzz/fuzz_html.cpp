// libFuzzer target for the tokenizer: splits the input into lines, parses,
// reads every byte of every node, and compares the result with the plain
// reference tokenizer of the tests. Also feeds the whole input to the lone
// SetRaw of a tag, an attribute and a text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "../tests/html/reference_tokenizer.h"
#include "html/html_parser.h"

namespace {

// The reference copies and erases freely; past this size it is too slow to
// run on every input.
constexpr std::size_t kReferenceLimit = 8192;

[[noreturn]] void Fail(const char* what, std::size_t index) {
  std::fprintf(stderr, "mismatch: %s at node %zu\n", what, index);
  std::abort();
}

// Reads every byte, so that a view into freed or foreign memory shows.
std::size_t Touch(std::string_view s) {
  std::size_t sum = 0;
  for (char c : s) sum += static_cast<unsigned char>(c);
  return sum;
}

std::vector<std::string> SplitAtLineFeeds(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= bytes.size(); ++i) {
    if (i == bytes.size() || bytes[i] == '\n') {
      if (i < bytes.size() || start < i) lines.emplace_back(bytes.substr(start, i - start));
      start = i + 1;
    }
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = SplitAtLineFeeds(bytes);

  kivo::THTMLParser parser;
  parser.Lines = lines;
  std::size_t pumps = 0;
  parser.Pump = [&pumps] { ++pumps; };
  parser.Parse();
  if (!lines.empty() && pumps == 0) Fail("no pump", 0);

  volatile std::size_t sink = 0;
  for (std::size_t i = 0; i < parser.Nodes.size(); ++i) {
    const kivo::THTMLNode* node = parser.Nodes[i];
    const kivo::THTMLTag* tag = node->AsTag();
    const kivo::THTMLText* text = node->AsText();
    if ((tag == nullptr) == (text == nullptr)) Fail("node kind", i);
    if (tag != nullptr) {
      sink = sink + Touch(tag->Name) + Touch(tag->Raw);
      for (const kivo::THTMLParam& p : tag->Params) {
        sink = sink + Touch(p.Name) + Touch(p.Value) + Touch(p.Raw);
      }
    } else {
      sink = sink + Touch(text->Text) + Touch(text->Raw);
    }
  }

  if (size <= kReferenceLimit) {
    const auto want = kivo::reference::Tokenize(lines);
    const auto got = kivo::reference::Snapshot(parser);
    if (want.size() != got.size()) Fail("node count", want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
      if (!(want[i] == got[i])) Fail("node", i);
    }

    const std::string whole(bytes);
    kivo::THTMLTag tag;
    tag.SetRaw(whole);
    kivo::THTMLText text;
    text.SetRaw(whole);
    kivo::THTMLParam param;
    param.SetRaw(whole);
    const auto ref_tag = kivo::reference::MakeTag(whole);
    if (tag.Name != ref_tag.name || tag.Raw != whole ||
        tag.Params.size() != ref_tag.params.size()) {
      Fail("lone tag", 0);
    }
    for (std::size_t i = 0; i < ref_tag.params.size(); ++i) {
      const kivo::THTMLParam& p = tag.Params[i];
      const auto& r = ref_tag.params[i];
      if (p.Raw != r.raw || p.Name != r.name || p.Value != r.value) Fail("lone tag attribute", i);
    }
    if (text.Text != kivo::reference::DecodeText(whole) || text.Raw != whole) Fail("lone text", 0);
    const auto ref_param = kivo::reference::MakeParam(whole);
    if (param.Name != ref_param.name || param.Value != ref_param.value || param.Raw != whole) {
      Fail("lone attribute", 0);
    }
  }
  return 0;
}
