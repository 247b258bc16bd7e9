#include <curl/curl.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>

#include "download.h"
#include "platform/powershell_args.h"

namespace kivo::fetch {
namespace {

using Clock = std::chrono::steady_clock;

struct Transfer {
  CURL* handle = nullptr;
  BodySink* sink = nullptr;
  bool sink_failed = false;
  long refused_status = 0;  // an error status whose body was not wanted
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
  if (!transfer.sink->Write(data, bytes)) {
    transfer.sink_failed = true;
    return bytes == 0 ? 1 : 0;
  }
  return bytes;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
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
                        std::string& error) {
  // A peer closing the connection must end in an error code, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  static CurlGlobal global;
  if (!global.ok) {
    error = "cannot initialise libcurl";
    return DownloadStatus::kNetworkFailure;
  }
  std::unique_ptr<CURL, void (*)(CURL*)> handle(curl_easy_init(), curl_easy_cleanup);
  if (!handle) {
    error = "cannot initialise libcurl";
    return DownloadStatus::kNetworkFailure;
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
  curl_easy_setopt(h, CURLOPT_USERAGENT, options.user_agent.c_str());
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");  // every encoding libcurl decodes
  curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");       // cookies set by a redirect are kept
  curl_easy_setopt(h, CURLOPT_NOPROXY, no_proxy.c_str());
#if LIBCURL_VERSION_NUM >= 0x075500
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
#else
  curl_easy_setopt(h, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif

  // Redirects are followed here rather than by libcurl, so that each hop's
  // address is checked like the first one and https never leads to http.
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(options.total_timeout_ms);
  std::string url = address;
  for (int redirects = 0;; ++redirects) {
    const long remaining_ms = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (remaining_ms <= 0) {
      error = "time limit reached after " + std::to_string(redirects) + " redirects";
      return DownloadStatus::kNetworkFailure;
    }
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, remaining_ms);
    curl_easy_setopt(
        h, CURLOPT_CONNECTTIMEOUT_MS,
        remaining_ms < options.connect_timeout_ms ? remaining_ms : options.connect_timeout_ms);
    curl_error[0] = '\0';
    transfer.refused_status = 0;
    const CURLcode result = curl_easy_perform(h);
    if (transfer.sink_failed) {
      error = "the body could not be stored";
      return DownloadStatus::kSinkFailure;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (transfer.refused_status != 0 ||
        (result == CURLE_OK && !IsSuccess(status) && !IsFollowedRedirect(status))) {
      error = "HTTP status " + std::to_string(status) + " from " + url;
      return DownloadStatus::kNetworkFailure;
    }
    if (result != CURLE_OK) {
      error = std::string(curl_easy_strerror(result));
      if (curl_error[0] != '\0') error += std::string(": ") + curl_error;
      error += " (" + url + ")";
      return DownloadStatus::kNetworkFailure;
    }
    if (IsSuccess(status)) return DownloadStatus::kComplete;

    // A redirect.
    char* location = nullptr;
    curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &location);
    if (location == nullptr || *location == '\0') {
      error = "HTTP status " + std::to_string(status) + " without a usable Location from " + url;
      return DownloadStatus::kNetworkFailure;
    }
    if (redirects >= options.max_redirects) {
      error = "more than " + std::to_string(options.max_redirects) + " redirects from " + address;
      return DownloadStatus::kNetworkFailure;
    }
    std::string next;
    std::string why;
    if (!platform::NormalizeDownloadAddress(location, next, why)) {
      error = "redirect refused (" + why + ") from " + url;
      return DownloadStatus::kNetworkFailure;
    }
    if (StartsWithNoCase(url, "https://") && !StartsWithNoCase(next, "https://")) {
      error = "redirect from https to http refused: " + url;
      return DownloadStatus::kNetworkFailure;
    }
    url = std::move(next);
  }
}

}  // namespace kivo::fetch
