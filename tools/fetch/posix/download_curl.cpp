#include <curl/curl.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "document_watcher.h"
#include "download.h"
#include "posix/content_decoder.h"
#include "redirects.h"
#include "text/bytes.h"

namespace kivo::fetch {
namespace {

using Clock = std::chrono::steady_clock;

struct Transfer {
  CURL* handle = nullptr;
  BodySink* sink = nullptr;
  bool sink_failed = false;
  long refused_status = 0;  // an error status whose body was not wanted
  bool answered = false;    // a status line arrived, on any hop
  // Of the answer whose headers came last (the final one, once its body
  // runs):
  std::string retry_after;
  std::string content_type;
  std::string content_encoding;
  bool in_headers = false;       // between its status line and blank line
  bool declared_length = false;  // a Content-Length
  bool framed = false;           // chunked, or HTTP/2 and later
  // The body of a 2xx answer: decoded, watched for its end, then stored.
  ContentDecoder decoder;
  DocumentWatcher watcher{""};
  std::string body_error;  // why its headers or its body were refused
  char curl_error[CURL_ERROR_SIZE] = {};
};

// The decoded body on its way to the sink.
class WatchedSink : public BodySink {
 public:
  explicit WatchedSink(Transfer& transfer) : transfer_(transfer) {}
  bool Write(const char* data, std::size_t size) override {
    transfer_.watcher.Feed(data, size);
    return transfer_.sink->Write(data, size);
  }

 private:
  Transfer& transfer_;
};

bool IsSuccess(long status) { return status >= 200 && status < 300; }

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  Transfer& transfer = *static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  long status = 0;
  curl_easy_getinfo(transfer.handle, CURLINFO_RESPONSE_CODE, &status);
  // Redirects are followed by hand (below), so their bodies arrive here too;
  // they are not the page.
  if (IsFollowedRedirect(status)) return bytes;
  if (!IsSuccess(status)) {
    // The answer is a failure whatever its body says: stop reading it.
    transfer.refused_status = status;
    return bytes == 0 ? 1 : 0;
  }
  WatchedSink out(transfer);
  switch (transfer.decoder.Write(data, bytes, out)) {
    case ContentDecoder::Result::kOk:
      return bytes;
    case ContentDecoder::Result::kRefused:
      transfer.sink_failed = true;
      break;
    case ContentDecoder::Result::kBadData:
      transfer.body_error = "the body is not readable " + transfer.decoder.coding() + " data";
      break;
  }
  return bytes == 0 ? 1 : 0;
}

std::string TrimmedHeaderValue(const char* data, std::size_t size, std::size_t from) {
  std::size_t begin = from;
  std::size_t end = size;
  while (begin < end && (data[begin] == ' ' || data[begin] == '\t')) ++begin;
  while (end > begin && (data[end - 1] == '\r' || data[end - 1] == '\n' || data[end - 1] == ' ' ||
                         data[end - 1] == '\t')) {
    --end;
  }
  return std::string(data + begin, end - begin);
}

// Readies the body of a 2xx answer once its headers are complete. False
// when its coding is not one the decoder reads.
bool StartBody(Transfer& transfer) {
  long status = 0;
  curl_easy_getinfo(transfer.handle, CURLINFO_RESPONSE_CODE, &status);
  if (!IsSuccess(status)) return true;
  transfer.watcher = DocumentWatcher(transfer.content_type);
  return transfer.decoder.Start(transfer.content_encoding, transfer.body_error);
}

// Each answer's header lines, its status line first and a blank line last:
// notes that the shop answered and keeps what the latest answer says of its
// body and of when to come back.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  Transfer& transfer = *static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  const std::string_view line(data, bytes);
  if (ascii::StartsWithNoCase(line, "http/")) {
    transfer.answered = true;
    transfer.in_headers = true;
    transfer.retry_after.clear();
    transfer.content_type.clear();
    transfer.content_encoding.clear();
    transfer.declared_length = false;
    // HTTP/2 and later frame every body; HTTP/1 may end one by closing.
    transfer.framed = !ascii::StartsWithNoCase(line, "http/1.");
    return bytes;
  }
  // A chunked body's trailer changes nothing of what its headers said.
  if (!transfer.in_headers) return bytes;
  if (ascii::StartsWithNoCase(line, "retry-after:")) {
    // A sane value is a number or a date; a longer one is nothing to wait for.
    std::string value = TrimmedHeaderValue(data, bytes, 12);
    transfer.retry_after = value.size() <= 64 ? std::move(value) : std::string("-");
  } else if (ascii::StartsWithNoCase(line, "content-type:")) {
    transfer.content_type = TrimmedHeaderValue(data, bytes, 13);
  } else if (ascii::StartsWithNoCase(line, "content-encoding:")) {
    if (!transfer.content_encoding.empty()) transfer.content_encoding += ", ";
    transfer.content_encoding += TrimmedHeaderValue(data, bytes, 17);
  } else if (ascii::StartsWithNoCase(line, "content-length:")) {
    transfer.declared_length = true;
  } else if (ascii::StartsWithNoCase(line, "transfer-encoding:")) {
    const std::string value = ascii::Lowered(TrimmedHeaderValue(data, bytes, 18));
    if (value.find("chunked") != std::string::npos) transfer.framed = true;
  } else if (TrimmedHeaderValue(data, bytes, 0).empty()) {
    transfer.in_headers = false;
    if (!StartBody(transfer)) return 0;
  }
  return bytes;
}

// Whether a libcurl error is the secure connection failing: a certificate
// that cannot be verified (untrusted, expired, another name, revoked, a
// pinned key that differs) or a handshake that fails.
bool IsSecureConnectionFailure(CURLcode code) {
  switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return true;
    default:
      return false;
  }
}

// Whether a libcurl error that came after the answer's status line means
// its body stopped short.
bool IsCutBody(CURLcode code) {
  return code == CURLE_PARTIAL_FILE || code == CURLE_RECV_ERROR ||
         code == CURLE_BAD_CONTENT_ENCODING || code == CURLE_HTTP2_STREAM || code == CURLE_HTTP2;
}

struct CurlGlobal {
  CurlGlobal() { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }
  ~CurlGlobal() { curl_global_cleanup(); }
  bool ok = false;
};

// The options that hold for every hop of one download.
void Configure(Transfer& transfer, const DownloadOptions& options) {
  CURL* h = transfer.handle;
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, transfer.curl_error);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
  // libcurl counts the speed over whole seconds: the window is rounded up.
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, options.low_speed_bytes);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, (options.low_speed_window_ms + 999) / 1000);
  curl_easy_setopt(h, CURLOPT_USERAGENT, options.user_agent.c_str());
  // Redirects are followed by hand (redirects.h).
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  // The body is decoded here, not by libcurl (see content_decoder.h).
  curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, kAcceptedEncodings);
  curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");  // cookies set by a redirect are kept
  // Only the shop's own answers count as its answer, not a proxy's to
  // CONNECT.
  curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
#if LIBCURL_VERSION_NUM >= 0x075500
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
#else
  curl_easy_setopt(h, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
}

// One request to `url`, with `remaining_ms` of the total time limit left.
CURLcode Ask(Transfer& transfer, const std::string& url, long remaining_ms,
             long connect_timeout_ms) {
  CURL* h = transfer.handle;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  // The environment's proxy settings apply as curl reads them (http_proxy,
  // https_proxy, all_proxy, no_proxy), but never to this machine itself: a
  // local test shop must not be sent through a proxy. Only the loopback
  // names themselves: no_proxy's "localhost" would also match every name
  // below it.
  curl_easy_setopt(h, CURLOPT_NOPROXY, IsLoopbackHost(AddressHost(url)) ? "*" : nullptr);
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, remaining_ms);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                   remaining_ms < connect_timeout_ms ? remaining_ms : connect_timeout_ms);
  transfer.curl_error[0] = '\0';
  transfer.refused_status = 0;
  transfer.retry_after.clear();
  return curl_easy_perform(h);
}

// What a 2xx answer whose transfer ended without error amounts to: complete
// unless its body shows that it was cut short.
DownloadStatus WholeBody(const Transfer& transfer, long status, const std::string& url,
                         std::string& error) {
  if (!transfer.decoder.Complete()) {
    error = "the " + transfer.decoder.coding() + " stream of the body ends early (" + url + ")";
    return DownloadStatus::kCutBody;
  }
  if (EndsWhereTheConnectionCloses(status, transfer.declared_length, transfer.framed) &&
      !transfer.watcher.Whole()) {
    error = "the connection closed before the end of the HTML document (" + url + ")";
    return DownloadStatus::kCutBody;
  }
  return DownloadStatus::kComplete;
}

// What a transfer that ended in `code` amounts to, the shop's answers so far
// (on any hop) considered.
DownloadStatus Failure(const Transfer& transfer, CURLcode code) {
  long connect_status = 0;
  curl_easy_getinfo(transfer.handle, CURLINFO_HTTP_CONNECTCODE, &connect_status);
  if (connect_status == 407) return DownloadStatus::kProxyAuth;
  if (IsSecureConnectionFailure(code)) return DownloadStatus::kCertificate;
  // Before any answer, every failure is the shop's silence.
  if (!transfer.answered) return DownloadStatus::kNoAnswer;
  if (code == CURLE_OPERATION_TIMEDOUT) return DownloadStatus::kTooSlow;
  if (IsCutBody(code)) return DownloadStatus::kCutBody;
  return DownloadStatus::kFailed;
}

}  // namespace

DownloadStatus Download(const std::string& address, const DownloadOptions& options, BodySink& sink,
                        DownloadAnswer& answer, std::string& error) {
  answer = DownloadAnswer();
  // A peer closing the connection must end in an error code, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  static CurlGlobal global;
  std::unique_ptr<CURL, void (*)(CURL*)> handle(global.ok ? curl_easy_init() : nullptr,
                                                curl_easy_cleanup);
  if (!handle) {
    error = "cannot initialise libcurl";
    return DownloadStatus::kNoAnswer;
  }
  Transfer transfer;
  transfer.handle = handle.get();
  transfer.sink = &sink;
  Configure(transfer, options);

  // Once the shop has said anything, a failure later on is its passing
  // trouble, not a shop that is down.
  const auto timed_out = [&transfer] {
    return transfer.answered ? DownloadStatus::kTooSlow : DownloadStatus::kNoAnswer;
  };
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(options.total_timeout_ms);
  Redirects redirects(address, options.max_redirects);
  for (;;) {
    const long remaining_ms = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (remaining_ms <= 0) {
      error = "time limit reached after " + std::to_string(redirects.followed()) + " redirects";
      return timed_out();
    }
    const std::string& url = redirects.url();
    const CURLcode result = Ask(transfer, url, remaining_ms, options.connect_timeout_ms);
    if (transfer.sink_failed) {
      error = "the body could not be stored";
      return DownloadStatus::kSinkFailure;
    }
    if (!transfer.body_error.empty()) {
      error = transfer.body_error + " (" + url + ")";
      return DownloadStatus::kFailed;
    }
    long status = 0;
    curl_easy_getinfo(transfer.handle, CURLINFO_RESPONSE_CODE, &status);
    answer.status = status;
    answer.retry_after = transfer.retry_after;
    // An error answer whose body was refused ends in a write error; that
    // is the answer's failure, not the transfer's.
    if (result != CURLE_OK && transfer.refused_status == 0) {
      error = std::string(curl_easy_strerror(result));
      if (transfer.curl_error[0] != '\0') error += std::string(": ") + transfer.curl_error;
      error += " (" + url + ")";
      return Failure(transfer, result);
    }
    if (IsSuccess(status)) return WholeBody(transfer, status, url, error);
    char* location = nullptr;
    curl_easy_getinfo(transfer.handle, CURLINFO_REDIRECT_URL, &location);
    DownloadStatus failure;
    if (!redirects.Follow(status, location != nullptr ? location : "", failure, error)) {
      answer.refused_host = redirects.refused_host();
      return failure;
    }
  }
}

}  // namespace kivo::fetch
