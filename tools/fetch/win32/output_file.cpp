#include "output_file.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace kivo::fetch {
namespace {

std::string WindowsError(const std::string& what, DWORD code) {
  return what + " (Windows error " + std::to_string(code) + ")";
}

}  // namespace

struct OutputFile::Impl {
  std::wstring target;
  std::wstring temp;  // empty when there is no temporary file
  HANDLE file = INVALID_HANDLE_VALUE;
};

OutputFile::OutputFile() : impl_(std::make_unique<Impl>()) {}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open(const std::string& target, std::string& error) {
  Discard();
  // The path is Shift-JIS whatever this system's ANSI code page is; a byte
  // sequence that is not Shift-JIS could name some other file, so refuse it.
  std::wstring wide_target;
  if (!platform::win32::WideExact(target, wide_target)) {
    error = "the output file's name is not valid Shift-JIS";
    return false;
  }
  const DWORD attributes = GetFileAttributesW(wide_target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = "the output file is a folder: " + target;
    return false;
  }
  // "<target>.part": in the target's folder, so the final move is a rename
  // on one volume, and known to the plugin, which removes it after it had
  // to end a helper with TerminateProcess (no chance to clean up here). A
  // stale one from such an end is replaced.
  const std::wstring temp = wide_target + L".part";
  const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = WindowsError("cannot create the temporary file " + target + ".part", GetLastError());
    return false;
  }
  impl_->target = wide_target;
  impl_->temp = temp;
  impl_->file = file;
  return true;
}

bool OutputFile::Write(const char* data, std::size_t size) {
  if (impl_->file == INVALID_HANDLE_VALUE) return false;
  while (size > 0) {
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(impl_->file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool OutputFile::Finish(std::string& error) {
  if (impl_->file == INVALID_HANDLE_VALUE) {
    error = "no temporary file to finish";
    return false;
  }
  const BOOL flushed = FlushFileBuffers(impl_->file);
  const DWORD flush_error = GetLastError();
  const BOOL closed = CloseHandle(impl_->file);
  impl_->file = INVALID_HANDLE_VALUE;
  if (!flushed || !closed) {
    error = WindowsError("cannot write the temporary file", flushed ? GetLastError() : flush_error);
    Discard();
    return false;
  }
  return true;
}

bool OutputFile::Commit(std::string& error) {
  if (impl_->file != INVALID_HANDLE_VALUE && !Finish(error)) return false;
  if (impl_->temp.empty()) {
    error = "no temporary file to commit";
    return false;
  }
  // A virus scanner or indexer may hold the new file, or the old target, for
  // a moment; give it a second before calling the replacement failed.
  DWORD last_error = 0;
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (MoveFileExW(impl_->temp.c_str(), impl_->target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      impl_->temp.clear();
      return true;
    }
    last_error = GetLastError();
    if (last_error != ERROR_SHARING_VIOLATION && last_error != ERROR_ACCESS_DENIED &&
        last_error != ERROR_LOCK_VIOLATION) {
      break;
    }
    Sleep(100);
  }
  error = WindowsError("cannot replace the output file", last_error);
  Discard();
  return false;
}

void OutputFile::Discard() {
  if (impl_->file != INVALID_HANDLE_VALUE) {
    CloseHandle(impl_->file);
    impl_->file = INVALID_HANDLE_VALUE;
  }
  if (!impl_->temp.empty()) {
    DeleteFileW(impl_->temp.c_str());
    impl_->temp.clear();
  }
}

}  // namespace kivo::fetch
