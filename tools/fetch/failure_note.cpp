#include "failure_note.h"

#include "platform/platform.h"

namespace kivo::fetch {

using protocol::ExitCode;

ExitCode ExitCodeOf(DownloadStatus status) {
  switch (status) {
    case DownloadStatus::kComplete:
      return ExitCode::kComplete;
    case DownloadStatus::kGone:
      return ExitCode::kGone;
    case DownloadStatus::kNoAnswer:
      return ExitCode::kNoAnswer;
    case DownloadStatus::kSinkFailure:
      return ExitCode::kLocal;
    case DownloadStatus::kCutBody:
      return ExitCode::kCutBody;
    case DownloadStatus::kTooSlow:
      return ExitCode::kTooSlow;
    case DownloadStatus::kCertificate:
      return ExitCode::kCertificate;
    case DownloadStatus::kProxyAuth:
      return ExitCode::kProxyAuth;
    case DownloadStatus::kRedirectRefused:
      return ExitCode::kRedirectRefused;
    case DownloadStatus::kFailed:
      break;
  }
  return ExitCode::kFailed;
}

std::string FailureNoteText(ExitCode code, const DownloadAnswer& answer) {
  if (code == ExitCode::kFailed && answer.status >= 100 && answer.status <= 599) {
    return std::string(protocol::kNoteStatusKey) + "=" + std::to_string(answer.status) + "\n";
  }
  if (code != ExitCode::kRedirectRefused || answer.refused_host.empty()) return std::string();
  // The host comes from a Location header: only a form that cannot break
  // the note's lines is passed on, and the plugin checks it again.
  for (const char ch : answer.refused_host) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c <= ' ' || c >= 0x7F || c == '=') return std::string();
  }
  return std::string(protocol::kNoteHostKey) + "=" + answer.refused_host + "\n";
}

void LeaveFailureNote(const std::string& output_path, const std::string& text) {
  const std::string note = output_path + protocol::kFailureNoteSuffix;
  if (text.empty()) {
    platform::DeleteFile(note);
  } else {
    platform::SaveAtomically(note, text);
  }
}

}  // namespace kivo::fetch
