// The download helper, installed as "powershell" / "powershell.exe" beside
// the program, where the program's process search finds it before any real
// PowerShell. It answers the one command line the page fetcher sends,
//     powershell wget '<address>' -O '<file>'
// and nothing else: the line is read as PowerShell would read it, but never
// run by a shell.
//
// Exit codes: 0 the file holds the complete body of a 2xx answer; 1 network
// or HTTP failure; 2 command line refused (nothing fetched, nothing written);
// 3 the output file could not be written. On every non-zero exit the old
// output file, if any, is left byte for byte as it was.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "command_words.h"
#include "download.h"
#include "output_file.h"
#include "platform/powershell_args.h"

#ifndef KIVO_FETCH_VERSION
#define KIVO_FETCH_VERSION "0"
#endif

namespace kivo::fetch {
namespace {

constexpr int kExitComplete = 0;
constexpr int kExitNetwork = 1;
constexpr int kExitRefused = 2;
constexpr int kExitLocal = 3;

// Pages and cover images are far smaller; the cap only keeps a hostile or
// broken server from filling the disk within the time limit.
constexpr std::uint64_t kMaxBodyBytes = 256ull * 1024 * 1024;

void Complain(const std::string& message) {
  std::fprintf(stderr, "kivo fetch: %s\n", message.c_str());
}

// A time limit in seconds from the environment (tests shorten them), or the
// fallback when the variable is unset or not a positive number.
long TimeLimitMs(const char* variable, long fallback_ms) {
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') return fallback_ms;
  char* end = nullptr;
  errno = 0;
  const double seconds = std::strtod(value, &end);
  if (end == value || *end != '\0' || errno != 0 || !(seconds > 0) || seconds > 86400) {
    Complain(std::string("ignoring ") + variable + ": not a number of seconds");
    return fallback_ms;
  }
  const long ms = std::lround(seconds * 1000);
  return ms < 1 ? 1 : ms;
}

class CappedSink : public BodySink {
 public:
  CappedSink(BodySink& inner, std::uint64_t limit) : inner_(inner), limit_(limit) {}
  bool Write(const char* data, std::size_t size) override {
    if (size > limit_ - written_) {
      too_large_ = true;
      return false;
    }
    written_ += size;
    return inner_.Write(data, size);
  }
  bool too_large() const { return too_large_; }

 private:
  BodySink& inner_;
  std::uint64_t limit_;
  std::uint64_t written_ = 0;
  bool too_large_ = false;
};

int Run(int argc, char** argv) {
  const std::string command = platform::JoinCommandWords(CommandWords(argc, argv));
  platform::DownloadCommand request;
  std::string error;
  if (!platform::ParseDownloadCommand(command, request, error)) {
    Complain("refused command line: " + error);
    Complain("usage: powershell wget '<address>' -O '<file>'");
    return kExitRefused;
  }
  std::string address;
  if (!platform::NormalizeDownloadAddress(request.address, address, error)) {
    Complain("refused address: " + error);
    return kExitRefused;
  }

  DownloadOptions options;
  options.user_agent = "kivo/" KIVO_FETCH_VERSION " (+Quillcast plugin)";
  options.connect_timeout_ms = TimeLimitMs("KIVO_FETCH_CONNECT_TIMEOUT", 15000);
  options.total_timeout_ms = TimeLimitMs("KIVO_FETCH_TIMEOUT", 120000);
  options.max_redirects = 10;

  OutputFile output;
  if (!output.Open(request.output_path, error)) {
    Complain(error);
    return kExitLocal;
  }
  CappedSink sink(output, kMaxBodyBytes);
  const DownloadStatus status = Download(address, options, sink, error);
  if (status == DownloadStatus::kComplete) {
    if (!output.Commit(error)) {
      Complain(error);
      return kExitLocal;
    }
    return kExitComplete;
  }
  output.Discard();
  if (status == DownloadStatus::kSinkFailure) {
    if (sink.too_large()) {
      Complain("answer larger than the limit of " + std::to_string(kMaxBodyBytes) + " bytes");
      return kExitNetwork;
    }
    Complain("could not write the temporary file beside the output file");
    return kExitLocal;
  }
  Complain(error);
  return kExitNetwork;
}

}  // namespace
}  // namespace kivo::fetch

int main(int argc, char** argv) { return kivo::fetch::Run(argc, argv); }
