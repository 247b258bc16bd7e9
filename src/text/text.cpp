// Character tests, searching and replacing in Shift-JIS byte text, and the
// file-name-safe form of a text.
#include "text/text.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "text/sjis.h"
#include "text/sjis_tables.h"

namespace kivo {
namespace {

using sjis::CharLength;

// Calls `on_match(pos)` for each occurrence of `pattern` in `text`, from the
// left, that covers whole characters: it begins at a character start and ends
// at a character boundary. Occurrences do not overlap; after one, the search
// goes on behind it. Stops early when `on_match` returns false.
//
// Matching is Knuth-Morris-Pratt over the bytes, so the time is linear in
// text plus pattern whatever they hold. Two forward walkers, advanced lazily
// and never backwards, tell whether a candidate's start and end fall on
// character boundaries; a boundary depends only on the bytes before it, so
// the candidates found by byte matching can be judged afterwards.
template <typename OnMatch>
void ForEachMatch(const std::string& text, const std::string& pattern, OnMatch on_match) {
  const std::size_t n = text.size();
  const std::size_t m = pattern.size();
  if (m == 0 || m > n) return;

  std::vector<std::size_t> border(m, 0);  // longest proper border of pattern[0..i]
  for (std::size_t i = 1, k = 0; i < m; ++i) {
    while (k > 0 && pattern[i] != pattern[k]) k = border[k - 1];
    if (pattern[i] == pattern[k]) ++k;
    border[i] = k;
  }

  std::size_t start_walker = 0;  // a character start, never past the candidate
  std::size_t end_walker = 0;
  std::size_t free_from = 0;  // end of the last accepted occurrence
  for (std::size_t i = 0, k = 0; i < n; ++i) {
    while (k > 0 && text[i] != pattern[k]) k = border[k - 1];
    if (text[i] != pattern[k]) continue;
    if (++k < m) continue;
    k = border[m - 1];
    const std::size_t begin = i + 1 - m;
    const std::size_t end = i + 1;
    if (begin < free_from) continue;
    while (start_walker < begin) start_walker += CharLength(text, start_walker);
    if (start_walker != begin) continue;
    while (end_walker < end) end_walker += CharLength(text, end_walker);
    if (end_walker != end) continue;
    free_from = end;
    if (!on_match(begin)) return;
  }
}

}  // namespace

bool IsLeadByte(unsigned char c) { return sjis::IsLeadByte(c); }

bool IsSecondByte(const std::string& s, std::size_t index) {
  if (index >= s.size()) throw std::out_of_range("Illegal Index");
  if (!sjis::IsTrailByte(static_cast<unsigned char>(s[index]))) return false;
  // Lead-byte values pair up from the last byte that is not one (which ends
  // a character, whatever it is); an odd run before `index` leaves the byte
  // at `index` as the partner of the run's last byte.
  std::size_t run = 0;
  for (std::size_t j = index; j > 0 && sjis::IsLeadByte(static_cast<unsigned char>(s[j - 1]));
       --j) {
    ++run;
  }
  return run % 2 == 1;
}

std::string ReplaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement) {
  std::string out;
  bool any = false;
  std::size_t copied = 0;
  ForEachMatch(text, pattern, [&](std::size_t pos) {
    if (!any) out.reserve(text.size());
    any = true;
    out.append(text, copied, pos - copied);
    out += replacement;
    copied = pos + pattern.size();
    return true;
  });
  if (!any) return text;
  out.append(text, copied, std::string::npos);
  return out;
}

bool ContainsText(const std::string& text, const std::string& pattern) {
  bool found = false;
  ForEachMatch(text, pattern, [&](std::size_t) {
    found = true;
    return false;
  });
  return found;
}

std::string SafeFileName(const std::string& text) {
  // One pass does what replacing each forbidden character in turn would do:
  // the stand-ins are whole double-byte characters, so no later replacement
  // could match inside an earlier one. Only character starts are looked at,
  // so a lead byte before "/" (which cannot be a second byte) does not hide
  // the "/", while the "\" of ソ stays part of ソ.
  //
  // A broken character is dropped. Left in place it would pair with the
  // first byte of a stand-in written after it ("\x83*" would become 0x83
  // 0x81 0x96), and every character after that would shift by one byte, so
  // that the second byte of a later ソ would be read as a lone "\".
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = CharLength(text, i);
    const auto c = static_cast<unsigned char>(text[i]);
    std::uint16_t stand_in = 0;
    if (len == 1) {
      for (const auto& sub : sjis::kFileNameSubstitutes) {
        if (sub.half == c) stand_in = sub.full;
      }
    }
    if (stand_in != 0) {
      sjis::AppendCode(out, stand_in);
    } else if (!sjis::IsBrokenLead(text, i)) {
      out.append(text, i, len);
    }
    i += len;
  }
  return out;
}

}  // namespace kivo
