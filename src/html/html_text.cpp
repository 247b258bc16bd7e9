// Text decoding and name upper-casing: the byte work behind the nodes' fields.
#include <cstring>

#include "html/html_refs.h"
#include "html/html_store.h"

namespace kivo::html_internal {

namespace {

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Line feeds become spaces and every run of spaces one space. Carriage
// returns and tabs are ordinary bytes. Also tells whether that changed
// anything and whether an "&" is left to decode.
struct TCollapsed {
  std::size_t size;
  bool changed;
  bool amp;
};
TCollapsed CollapseSpaces(std::string_view raw, char* out) {
  char* w = out;
  bool in_run = false, changed = false, amp = false;
  for (char c : raw) {
    if (c == ' ' || c == '\n') {
      changed |= in_run || c == '\n';
      if (!in_run) *w++ = ' ';
      in_run = true;
    } else {
      amp |= c == '&';
      *w++ = c;
      in_run = false;
    }
  }
  return {static_cast<std::size_t>(w - out), changed, amp};
}

// Decodes the references of [p, p + n) in place and returns the new length.
// A reference runs from an "&" to the first ";" or space; a later "&" before
// that starts it afresh. What decodes becomes one byte and scanning goes on
// after it, so a decoded "&" never starts another reference (one level only).
// What does not decode stays as written, and no byte of it can start a
// reference either, so scanning simply goes on after its terminator.
std::size_t DecodeReferencesInPlace(char* p, std::size_t n) {
  const char* r = p;
  const char* const e = p + n;
  char* w = p;
  auto keep = [&w](const char* from, const char* to) {
    const std::size_t k = static_cast<std::size_t>(to - from);
    if (w != from) std::memmove(w, from, k);
    w += k;
  };
  while (r < e) {
    const char* amp =
        static_cast<const char*>(std::memchr(r, '&', static_cast<std::size_t>(e - r)));
    if (amp == nullptr) {
      keep(r, e);
      break;
    }
    keep(r, amp);
    const char* t = amp + 1;
    while (t < e && *t != '&' && *t != ';' && *t != ' ') ++t;
    if (t == e) {  // never terminated: stays as written
      keep(amp, e);
      break;
    }
    if (*t == '&') {  // restarted at the later "&"
      keep(amp, t);
      r = t;
      continue;
    }
    const int code = ResolveReference(std::string_view(amp, static_cast<std::size_t>(t + 1 - amp)));
    if (code >= 0) {
      *w++ = kCodeTable[static_cast<std::size_t>(code)];
    } else {
      keep(amp, t + 1);
    }
    r = t + 1;
  }
  return static_cast<std::size_t>(w - p);
}

}  // namespace

std::size_t DecodeText(std::string_view raw, char* out) {
  // Collapsing comes first, so spaces that references decode to are never
  // collapsed ("&nbsp;&nbsp;" stays two spaces).
  const TCollapsed c = CollapseSpaces(raw, out);
  if (c.amp) return DecodeReferencesInPlace(out, c.size);
  return c.changed ? c.size : kUnchanged;
}

std::string_view UpperName(TByteArena& bytes, std::string_view raw) {
  std::size_t i = 0;
  for (; i < raw.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(raw[i]);
    if (c >= 'a' && c <= 'z') break;
    if (IsLeadByte(c)) ++i;
  }
  if (i >= raw.size()) return raw;
  char* out = bytes.Reserve(raw.size());
  std::memcpy(out, raw.data(), i);
  for (; i < raw.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(raw[i]);
    if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    } else {
      out[i] = raw[i];
      if (IsLeadByte(c) && i + 1 < raw.size()) {
        ++i;
        out[i] = raw[i];
      }
    }
  }
  bytes.Commit(raw.size());
  return bytes.TakeRun();
}

TParamParts SplitParam(std::string_view raw) {
  TParamParts parts{raw, raw, {}};
  const std::size_t eq = raw.find('=');
  if (eq == std::string_view::npos) return parts;
  parts.name = raw.substr(0, eq);
  parts.value = raw.substr(eq + 1);
  if (parts.value.size() >= 2 && parts.value.front() == '"' && parts.value.back() == '"') {
    parts.value = parts.value.substr(1, parts.value.size() - 2);
  }
  return parts;
}

}  // namespace kivo::html_internal
