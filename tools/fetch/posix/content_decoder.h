// The body as the server meant it: a gzip or deflate content coding undone
// with zlib, and a compressed stream that stops before its end told apart
// from a whole one. libcurl decodes these itself, but takes a stream cut
// short for a whole one when the connection closes, so the helper reads the
// coded bytes and decodes them here.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "download.h"

namespace kivo::fetch {

// The codings ContentDecoder reads, as the value of an Accept-Encoding header.
inline constexpr char kAcceptedEncodings[] = "gzip, deflate";

class ContentDecoder {
 public:
  ContentDecoder();
  ~ContentDecoder();
  ContentDecoder(const ContentDecoder&) = delete;
  ContentDecoder& operator=(const ContentDecoder&) = delete;

  // Prepares for a body in `encoding`, a Content-Encoding value (empty when
  // the answer had none). Reads "gzip", "x-gzip", "deflate" (with or without
  // its zlib wrapper) and "identity", in any letter case. False with `error`
  // for any other coding, or more than one.
  bool Start(std::string_view encoding, std::string& error);

  enum class Result { kOk, kBadData, kRefused };
  // Passes the decoded bytes of the next coded piece to `out`: kRefused when
  // `out` refused them, kBadData when the piece is not the coding's data.
  // Bytes after the end of a compressed stream are ignored.
  Result Write(const char* data, std::size_t size, BodySink& out);

  // True unless a compressed body has begun and its stream has not ended.
  bool Complete() const;

  // The coding being read, for messages ("gzip", "deflate"; empty for none).
  const std::string& coding() const { return coding_; }

 private:
  struct Stream;
  std::string coding_;
  std::unique_ptr<Stream> stream_;
};

}  // namespace kivo::fetch
