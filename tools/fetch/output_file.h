// The output file of one download: the body goes to the temporary file
// "<target>.part" beside the target, which replaces the target only when the
// download is complete. Until then, and on every failure, the old target
// stays as it was. On POSIX, SIGTERM, SIGINT, SIGHUP and SIGQUIT remove the
// temporary file and end the process at once with exit code 128 + signal;
// on Windows, where a killed process cannot clean up, whoever kills the
// helper removes "<target>.part".
#pragma once

#include <memory>
#include <string>

#include "download.h"

namespace kivo::fetch {

class OutputFile : public BodySink {
 public:
  OutputFile();
  ~OutputFile() override;  // removes the temporary file unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates "<target>.part" (Shift-JIS bytes; Windows converts them from
  // code page 932), replacing a stale one. False with `error` when the
  // target is a folder or the temporary file cannot be created.
  bool Open(const std::string& target, std::string& error);
  bool Write(const char* data, std::size_t size) override;
  // Flushes the temporary file to disk and closes it. On failure the
  // temporary file is removed.
  bool Finish(std::string& error);
  // Renames the temporary file over the target, finishing it first unless
  // Finish was called. On failure the temporary file is removed and the
  // target left as it was.
  bool Commit(std::string& error);
  // Closes and removes the temporary file.
  void Discard();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kivo::fetch
