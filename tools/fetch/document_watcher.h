// Whether a body that ends only where the server closes the connection came
// whole. Such a body has no length to count against and no last chunk: a
// connection that drops half-way looks just like the end. An HTML page shows
// its own end ("</html"), so a page without it was cut short, and its record
// would lose everything below the cut for good. Both downloaders feed this
// the (decoded) body of the final 2xx answer.
#pragma once

#include <cstddef>
#include <string_view>

namespace kivo::fetch {

// True when the body of a 2xx answer with `status` ends only where the
// server closes the connection: it declares no length (`declared_length`),
// is not framed (`framed`: chunked, or a protocol with frames of its own,
// HTTP/2 and later), and may carry a body at all (not 204 or 205).
bool EndsWhereTheConnectionCloses(long status, bool declared_length, bool framed);

class DocumentWatcher {
 public:
  // `content_type` is the answer's Content-Type value, empty when it had
  // none. An HTML document is an answer whose media type is text/html or
  // application/xhtml+xml (ASCII case-insensitive, parameters ignored), or,
  // without a Content-Type, one whose body begins with "<" after blanks
  // (space, tab, CR, LF, FF) and a UTF-8 byte order mark.
  explicit DocumentWatcher(std::string_view content_type);

  // The next piece of the body, in order.
  void Feed(const char* data, std::size_t size);

  // False only for an HTML document whose end "</html" (ASCII
  // case-insensitive) has not arrived; true for every other body.
  bool Whole() const;

 private:
  enum class Kind { kUndecided, kDocument, kOther };
  void Sniff(unsigned char c);
  void Search(unsigned char c);

  Kind kind_;
  std::size_t bom_bytes_ = 0;  // bytes of a byte order mark seen so far
  bool bom_done_ = false;
  std::size_t matched_ = 0;  // bytes of "</html" matched at the end so far
  bool ended_ = false;
};

}  // namespace kivo::fetch
