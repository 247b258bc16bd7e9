// What the helper reads of a WinHTTP answer's headers, and the handle that
// closes itself.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <string>

namespace kivo::fetch {

class Internet {
 public:
  explicit Internet(HINTERNET handle = nullptr) : handle_(handle) {}
  ~Internet() {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
  }
  Internet(const Internet&) = delete;
  Internet& operator=(const Internet&) = delete;
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset(HINTERNET handle) {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HINTERNET handle_;
};

// The answer's status; false when it cannot be read.
bool StatusOf(HINTERNET request, DWORD& status);
// True when the answer's body comes in chunks.
bool IsChunked(HINTERNET request);
// The declared body length, when the answer declares one and is not chunked.
bool DeclaredLength(HINTERNET request, std::uint64_t& length);
// The Location of a redirect as byte text. Non-ASCII characters, which
// servers should not send, become UTF-8 and are percent-encoded later.
bool LocationOf(HINTERNET request, std::string& location);
// The Retry-After header, as byte text; empty when there is none.
std::string RetryAfterOf(HINTERNET request);
// The Content-Type header; empty when there is none. Only its ASCII media
// type matters.
std::string ContentTypeOf(HINTERNET request);

}  // namespace kivo::fetch
