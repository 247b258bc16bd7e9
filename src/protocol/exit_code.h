// The download helper's exit codes: the helper (tools/fetch) ends with one
// of these, and the plugin's page fetcher decides by them whether a page is
// worth another try. On every code but kComplete the old output file, if
// any, is left byte for byte as it was, and "<file>.part" is gone (except
// on Windows after TerminateProcess, where the one who killed the helper
// removes it). A helper ended by a signal (SIGTERM, SIGINT, SIGHUP, SIGQUIT)
// exits with 128 + the signal's number, which is none of these.
#pragma once

namespace kivo::protocol {

enum class ExitCode : int {
  // The file holds the complete body of a 2xx answer.
  kComplete = 0,
  // Passing trouble after the shop answered: 5xx, 429 or any other non-2xx
  // status but 404 and 410, a cut body (short of its declared length or
  // last chunk, a compressed stream short of its end, or an HTML page ended
  // by the connection closing before its "</html"), a connection reset
  // mid-body, a transfer too slow (below 1,024 bytes a second for 15 s), a
  // body over the size cap, the time limit reached after the answer began,
  // a refused redirect.
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
};

}  // namespace kivo::protocol
