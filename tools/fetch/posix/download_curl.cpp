#include <curl/curl.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>

#include "document_watcher.h"
#include "download.h"
#include "protocol/command_line.h"
#include "posix/content_decoder.h"
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

bool StartsWithNoCase(const char* data, std::size_t size, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= size) return false;
    char c = data[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
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
  if (StartsWithNoCase(data, bytes, "http/")) {
    transfer.answered = true;
    transfer.in_headers = true;
    transfer.retry_after.clear();
    transfer.content_type.clear();
    transfer.content_encoding.clear();
    transfer.declared_length = false;
    // HTTP/2 and later frame every body; HTTP/1 may end one by closing.
    transfer.framed = !StartsWithNoCase(data, bytes, "http/1.");
    return bytes;
  }
  // A chunked body's trailer changes nothing of what its headers said.
  if (!transfer.in_headers) return bytes;
  if (StartsWithNoCase(data, bytes, "retry-after:")) {
    // A sane value is a number or a date; a longer one is nothing to wait for.
    std::string value = TrimmedHeaderValue(data, bytes, 12);
    transfer.retry_after = value.size() <= 64 ? std::move(value) : std::string("-");
  } else if (StartsWithNoCase(data, bytes, "content-type:")) {
    transfer.content_type = TrimmedHeaderValue(data, bytes, 13);
  } else if (StartsWithNoCase(data, bytes, "content-encoding:")) {
    if (!transfer.content_encoding.empty()) transfer.content_encoding += ", ";
    transfer.content_encoding += TrimmedHeaderValue(data, bytes, 17);
  } else if (StartsWithNoCase(data, bytes, "content-length:")) {
    transfer.declared_length = true;
  } else if (StartsWithNoCase(data, bytes, "transfer-encoding:")) {
    const std::string value = ascii::Lowered(TrimmedHeaderValue(data, bytes, 18));
    if (value.find("chunked") != std::string::npos) transfer.framed = true;
  } else if (TrimmedHeaderValue(data, bytes, 0).empty()) {
    transfer.in_headers = false;
    if (!StartBody(transfer)) return 0;
  }
  return bytes;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  return StartsWithNoCase(text.data(), text.size(), prefix);
}

// The proxy settings of the environment apply, but never to this machine
// itself: a local test shop must not be sent through a proxy.
std::string NoProxyList() {
  const char* names[] = {"no_proxy", "NO_PROXY"};
  std::string list;
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      list = value;
      break;
    }
  }
  if (list == "*") return list;
  if (!list.empty()) list += ',';
  return list + "localhost,127.0.0.1,::1";
}

struct CurlGlobal {
  CurlGlobal() { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }
  ~CurlGlobal() { curl_global_cleanup(); }
  bool ok = false;
};

}  // namespace

DownloadStatus Download(const std::string& address, const DownloadOptions& options, BodySink& sink,
                        DownloadAnswer& answer, std::string& error) {
  answer = DownloadAnswer();
  // A peer closing the connection must end in an error code, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  static CurlGlobal global;
  if (!global.ok) {
    error = "cannot initialise libcurl";
    return DownloadStatus::kNoAnswer;
  }
  std::unique_ptr<CURL, void (*)(CURL*)> handle(curl_easy_init(), curl_easy_cleanup);
  if (!handle) {
    error = "cannot initialise libcurl";
    return DownloadStatus::kNoAnswer;
  }
  CURL* h = handle.get();
  Transfer transfer;
  transfer.handle = h;
  transfer.sink = &sink;
  char curl_error[CURL_ERROR_SIZE] = {};
  const std::string no_proxy = NoProxyList();

  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, curl_error);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
  // libcurl counts the speed over whole seconds: the window is rounded up.
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, options.low_speed_bytes);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, (options.low_speed_window_ms + 999) / 1000);
  curl_easy_setopt(h, CURLOPT_USERAGENT, options.user_agent.c_str());
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  // The body is decoded here, not by libcurl (see content_decoder.h).
  curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, kAcceptedEncodings);
  curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");  // cookies set by a redirect are kept
  curl_easy_setopt(h, CURLOPT_NOPROXY, no_proxy.c_str());
#if LIBCURL_VERSION_NUM >= 0x075500
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
#else
  curl_easy_setopt(h, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif

  // Redirects are followed here rather than by libcurl, so that each hop's
  // address is checked like the first one and https never leads to http.
  // Once the shop has said anything, a failure later on is its passing
  // trouble, not a shop that is down.
  const auto failed = [&transfer] {
    return transfer.answered ? DownloadStatus::kFailed : DownloadStatus::kNoAnswer;
  };
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(options.total_timeout_ms);
  std::string url = address;
  for (int redirects = 0;; ++redirects) {
    const long remaining_ms = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (remaining_ms <= 0) {
      error = "time limit reached after " + std::to_string(redirects) + " redirects";
      return failed();
    }
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, remaining_ms);
    curl_easy_setopt(
        h, CURLOPT_CONNECTTIMEOUT_MS,
        remaining_ms < options.connect_timeout_ms ? remaining_ms : options.connect_timeout_ms);
    curl_error[0] = '\0';
    transfer.refused_status = 0;
    transfer.retry_after.clear();
    const CURLcode result = curl_easy_perform(h);
    if (transfer.sink_failed) {
      error = "the body could not be stored";
      return DownloadStatus::kSinkFailure;
    }
    if (!transfer.body_error.empty()) {
      error = transfer.body_error + " (" + url + ")";
      return DownloadStatus::kFailed;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    answer.status = status;
    answer.retry_after = transfer.retry_after;
    if (transfer.refused_status != 0 ||
        (result == CURLE_OK && !IsSuccess(status) && !IsFollowedRedirect(status))) {
      error = "HTTP status " + std::to_string(status) + " from " + url;
      return IsGoneStatus(status) ? DownloadStatus::kGone : DownloadStatus::kFailed;
    }
    if (result != CURLE_OK) {
      error = std::string(curl_easy_strerror(result));
      if (curl_error[0] != '\0') error += std::string(": ") + curl_error;
      error += " (" + url + ")";
      return failed();
    }
    if (IsSuccess(status)) {
      if (!transfer.decoder.Complete()) {
        error = "the " + transfer.decoder.coding() + " stream of the body ends early (" + url + ")";
        return DownloadStatus::kFailed;
      }
      if (EndsWhereTheConnectionCloses(status, transfer.declared_length, transfer.framed) &&
          !transfer.watcher.Whole()) {
        error = "the connection closed before the end of the HTML document (" + url + ")";
        return DownloadStatus::kFailed;
      }
      return DownloadStatus::kComplete;
    }

    // A redirect.
    char* location = nullptr;
    curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &location);
    if (location == nullptr || *location == '\0') {
      error = "HTTP status " + std::to_string(status) + " without a usable Location from " + url;
      return DownloadStatus::kFailed;
    }
    if (redirects >= options.max_redirects) {
      error = "more than " + std::to_string(options.max_redirects) + " redirects from " + address;
      return DownloadStatus::kFailed;
    }
    std::string next;
    std::string why;
    if (!protocol::NormalizeDownloadAddress(location, next, why)) {
      error = "redirect refused (" + why + ") from " + url;
      return DownloadStatus::kFailed;
    }
    if (StartsWithNoCase(url, "https://") && !StartsWithNoCase(next, "https://")) {
      error = "redirect from https to http refused: " + url;
      return DownloadStatus::kFailed;
    }
    url = std::move(next);
  }
}

}  // namespace kivo::fetch
