#include "posix/content_decoder.h"

#include <zlib.h>

#include <vector>

#include "text/bytes.h"

namespace kivo::fetch {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The codings of a Content-Encoding value other than "identity", in order.
std::vector<std::string> Codings(std::string_view value) {
  std::vector<std::string> codings;
  while (!value.empty()) {
    const std::size_t comma = value.find(',');
    const std::string coding = ascii::Lowered(Trimmed(value.substr(0, comma)));
    if (!coding.empty() && coding != "identity") codings.push_back(coding);
    value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
  }
  return codings;
}

}  // namespace

struct ContentDecoder::Stream {
  ~Stream() {
    if (open) inflateEnd(&z);
  }
  bool Open(int window_bits) {
    if (open) inflateEnd(&z);
    z = z_stream{};
    open = inflateInit2(&z, window_bits) == Z_OK;
    return open;
  }

  z_stream z{};
  bool open = false;
  bool deflate = false;  // may still turn out to lack its zlib wrapper
  bool begun = false;    // coded bytes have arrived
  bool ended = false;
};

ContentDecoder::ContentDecoder() = default;
ContentDecoder::~ContentDecoder() = default;

bool ContentDecoder::Start(std::string_view encoding, std::string& error) {
  stream_.reset();
  coding_.clear();
  const std::vector<std::string> codings = Codings(encoding);
  if (codings.empty()) return true;
  if (codings.size() > 1 ||
      (codings[0] != "gzip" && codings[0] != "x-gzip" && codings[0] != "deflate")) {
    error = "unsupported Content-Encoding: " + std::string(Trimmed(encoding));
    return false;
  }
  auto stream = std::make_unique<Stream>();
  stream->deflate = codings[0] == "deflate";
  // 32 + 15: a gzip or zlib header, whichever comes (as libcurl reads gzip).
  if (!stream->Open(stream->deflate ? MAX_WBITS : 32 + MAX_WBITS)) {
    error = "cannot initialise zlib";
    return false;
  }
  coding_ = stream->deflate ? "deflate" : "gzip";
  stream_ = std::move(stream);
  return true;
}

ContentDecoder::Result ContentDecoder::Write(const char* data, std::size_t size, BodySink& out) {
  if (!stream_) return out.Write(data, size) ? Result::kOk : Result::kRefused;
  Stream& s = *stream_;
  if (s.ended || size == 0) return Result::kOk;
  s.begun = true;
  unsigned char buffer[64 * 1024];
  // zlib counts in unsigned int; a piece from libcurl is far smaller.
  s.z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  s.z.avail_in = static_cast<uInt>(size);
  while (true) {
    s.z.next_out = buffer;
    s.z.avail_out = sizeof buffer;
    const int status = inflate(&s.z, Z_NO_FLUSH);
    if (status == Z_DATA_ERROR && s.deflate && s.z.total_out == 0) {
      // Some servers send "deflate" as a bare deflate stream, without the
      // zlib wrapper; read it as that from the first byte again.
      s.deflate = false;
      if (!s.Open(-MAX_WBITS)) return Result::kBadData;
      s.z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
      s.z.avail_in = static_cast<uInt>(size);
      continue;
    }
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) return Result::kBadData;
    const std::size_t produced = sizeof buffer - s.z.avail_out;
    if (produced > 0 && !out.Write(reinterpret_cast<const char*>(buffer), produced)) {
      return Result::kRefused;
    }
    if (status == Z_STREAM_END) {
      s.ended = true;
      return Result::kOk;
    }
    // Z_BUF_ERROR: no progress without more input.
    if (status == Z_BUF_ERROR || (s.z.avail_in == 0 && s.z.avail_out > 0)) return Result::kOk;
  }
}

bool ContentDecoder::Complete() const { return !stream_ || !stream_->begun || stream_->ended; }

}  // namespace kivo::fetch
