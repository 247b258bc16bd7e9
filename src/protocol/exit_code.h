// The download helper's exit codes: the helper (tools/fetch) ends with one
// of these, and the plugin's page fetcher decides by them whether a page is
// worth another try, and names the failure to the user. On every code but
// kComplete the old output file, if any, is left byte for byte as it was,
// and "<file>.part" is gone (except on Windows after TerminateProcess, where
// the one who killed the helper removes it). A helper ended by a signal
// (SIGTERM, SIGINT, SIGHUP, SIGQUIT) exits with 128 + the signal's number,
// which is none of these.
//
// What an exit code cannot carry goes into the failure note, the file
// "<file>.fail" beside the output file: written by the helper when it ends
// with kFailed after an error status, or with kRedirectRefused; removed by
// it on every other end. It holds ASCII lines "key=value\n":
//     status=<the answer's status, three digits>     (kFailed)
//     host=<the host a refused redirect led to>       (kRedirectRefused)
// The host comes from the web: whoever reads the note checks it before it
// shows it anywhere.
#pragma once

namespace kivo::protocol {

enum class ExitCode : int {
  // The file holds the complete body of a 2xx answer.
  kComplete = 0,
  // The shop answered, but not with the page: an error status (5xx, 429,
  // 403, 300, ... anything but 404, 410 and 407; the note gives it), or an
  // answer that cannot be used (more than 10 redirects, a redirect without
  // a usable Location, a coding the helper does not read, a body over the
  // size cap).
  kFailed = 1,
  // The command line was refused: nothing fetched, nothing written.
  kRefused = 2,
  // The output could not be written (full disk, no permission, ...).
  kLocal = 3,
  // The shop answered 404 or 410: the page does not exist.
  kGone = 4,
  // No answer at all: the name did not resolve, the connection was refused,
  // reset or closed before any answer, or a time limit was reached before
  // any status line arrived.
  kNoAnswer = 5,
  // The program that started the helper has ended: the download was
  // complete, but by now the file's name may belong to another run, so it
  // was not renamed over the file.
  kParentGone = 6,
  // The body of a 2xx answer was cut short: short of its declared length
  // or its last chunk, a compressed stream short of its end, an HTML page
  // ended by the connection closing before its "</html", a connection
  // reset mid-body.
  kCutBody = 7,
  // The answer began but came too slowly: below 1,024 bytes a second for
  // 15 s, or the whole download's time limit (60 s) was reached.
  kTooSlow = 8,
  // The shop's secure connection could not be verified: its certificate is
  // untrusted (self-signed, an unknown authority, a proxy that inspects
  // TLS), expired or not yet valid, revoked, or for another name, or the
  // handshake failed. Never retried without verification.
  kCertificate = 9,
  // A proxy asked for credentials (407) that the helper could not give.
  kProxyAuth = 10,
  // A redirect was refused: to another host than the one asked for, from
  // https down to http, or out of http and https. Nothing was fetched from
  // where it pointed; the note names its host.
  kRedirectRefused = 11,
};

// The failure note's name: the output file's name and this.
inline constexpr char kFailureNoteSuffix[] = ".fail";
// Its keys, each followed by "=".
inline constexpr char kNoteStatusKey[] = "status";
inline constexpr char kNoteHostKey[] = "host";

}  // namespace kivo::protocol
