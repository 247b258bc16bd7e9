// The seam to the operating system. Every call into the system goes through
// these functions; posix/ and win32/ implement them with the same observable
// behaviour, except where a contract below names a difference. All text,
// paths included, is Shift-JIS bytes: the Win32 side converts paths from
// code page 932 to UTF-16 where a file is touched (the file functions take a
// path that is not valid Shift-JIS for a missing file), so a Windows whose
// ANSI code page is not 932 still finds Japanese file names. POSIX passes
// the bytes through unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::platform {

// The path separator: '\\' on Windows, '/' on POSIX.
char PathSeparator();
// The bytes that end a path's folder part, for kivo::FolderPartLength:
// "\\/:" on Windows (a drive colon as in "C:name" included), "/" on POSIX.
std::string_view PathDelimiters();

// ---- Files ---------------------------------------------------------------

// True when `path` names an existing regular file (not a folder; POSIX: a
// link counts as what it points to).
bool FileExists(const std::string& path);
// True when `path` names an existing folder.
bool FolderExists(const std::string& path);
// Size in bytes of the regular file `path`, or -1 when there is none.
std::int64_t FileSize(const std::string& path);
// Bare names of the regular files (folders left out, every attribute
// accepted) in the folder part of `pattern` whose names match its last
// component; '*' any run of characters and '?' one character (a
// double-byte character is one), ASCII letters matched without regard to
// case, as Windows does. Only the long name is matched, never a short 8.3
// alias. "*.*" matches every name on POSIX, only names holding a "." on
// Windows. Windows leaves out names that have no Shift-JIS form. Empty when
// the folder does not exist.
std::vector<std::string> FindFiles(const std::string& pattern);
// Deletes a file (never a folder); false when it could not be deleted or
// did not exist.
bool DeleteFile(const std::string& path);
// Copies `from` over `to`, replacing it atomically: the copy goes to a
// temporary file beside `to` (named as RemoveOwnTemporaries says), which is
// then renamed over it. True when the copy is in place; on failure the old
// target is intact and the temporary file removed (a kill leaves it).
// POSIX: a link at `to` has its target replaced, whose permission bits the
// copy keeps; Windows: a read-only source gives a copy that is not.
bool CopyFileReplace(const std::string& from, const std::string& to);
// Creates one folder level; false when it could not be created or exists.
bool CreateFolder(const std::string& path);

// Reads a whole file into `bytes`. False when it cannot be opened or read
// (a folder included); `bytes` is then empty (POSIX) or as it was (Windows).
bool ReadFile(const std::string& path, std::string& bytes);
// Loads a text file as lines, without their terminators (CR LF, LF or a lone
// CR end a line; a final line without terminator counts; a file that ends
// with a terminator has no extra empty line). False when the file cannot be
// opened or read; `lines` is then empty (POSIX) or as it was (Windows).
bool LoadLines(const std::string& path, std::vector<std::string>& lines);
// Writes `bytes` to a temporary file beside `path` (named as
// RemoveOwnTemporaries says), flushes it to disk and renames it over
// `path`. On any failure the old file is left as it was, the temporary file
// is removed (a kill leaves it) and false is returned. POSIX: a link at
// `path` has its target replaced, the old file's permission bits are kept
// and the folder is flushed too.
bool SaveAtomically(const std::string& path, const std::string& bytes);
// Appends `bytes` with a single write to `path`, creating the file when
// missing, and flushes: AppendFile::Append on a file opened for this one
// call. True only when every byte is in the file and flushed; a short write
// is taken back as Append says.
bool AppendToFile(const std::string& path, const std::string& bytes);

// A file held open for appending, so that a line can be written, checked
// and taken back again. Other writers (the host) may append to the same
// file at any time: every write goes to the end of the file as it is at
// that moment, through the system's own append (O_APPEND; a handle with
// FILE_APPEND_DATA and without FILE_WRITE_DATA), so neither writer's bytes
// overwrite the other's.
enum class AppendStatus {
  kWritten,            // every byte is in the file and flushed to disk
  kWrittenNotFlushed,  // every byte is in the file; the flush reported an error
  kFailed,             // not every byte went in; see Append for what is left
};
class AppendFile {
 public:
  virtual ~AppendFile() = default;  // closes the file
  // The file's size now, or -1 when it cannot be told.
  virtual std::int64_t Size() = 0;
  // Appends `bytes` at the end with a single write and flushes. The part
  // of a short write that went in is taken back as TakeBack does, so a
  // reader never keeps it, unless another writer appended after it: then
  // the partial bytes stay, since cutting them would cut the other
  // writer's too. Empty `bytes` only flush.
  AppendStatus Append(const std::string& bytes);
  // Cuts the last bytes.size() bytes off the file and flushes, but only
  // when the file still ends with exactly `bytes` (read back and compared);
  // otherwise (another writer appended since, the file is shorter, it
  // cannot be read) the file is left alone. True when cut (empty `bytes`:
  // nothing to cut, true); false when left alone or the cut failed. A writer
  // appending in the instant between the check and the cut is not seen.
  bool TakeBack(const std::string& bytes);
  // The last `n` bytes of the file into `bytes`, fewer when the file is
  // shorter. False (and `bytes` empty) when the file cannot be read.
  bool ReadTail(std::size_t n, std::string& bytes);

 protected:
  // One write call of `bytes` at the end of the file; `written` tells how
  // many went in. False on an error.
  virtual bool WriteOnce(const std::string& bytes, std::size_t& written) = 0;
  // Flushes what was written to the disk; false on failure.
  virtual bool Flush() = 0;
  // At most `n` bytes from `offset` into `bytes`; false when unreadable.
  virtual bool ReadAt(std::uint64_t offset, std::size_t n, std::string& bytes) = 0;
  // Cuts the file to `size` bytes and flushes; false on failure.
  virtual bool CutTo(std::int64_t size) = 0;
};
// Opens `path` for appending and reading, creating it when missing.
// nullptr when it cannot be opened (a folder in its place, no access,
// locked).
std::unique_ptr<AppendFile> OpenAppendFile(const std::string& path);
// Reads at most `max_bytes` from byte `offset` of a file into `bytes`:
// fewer where the file ends first, none from an offset at or past its end.
// False (and `bytes` empty) when it cannot be opened or read (a missing file
// and a negative offset included). Windows opens it sharing read, write and
// delete, so a writer holding it open does not stop the read.
bool ReadFileRange(const std::string& path, std::int64_t offset, std::size_t max_bytes,
                   std::string& bytes);

// Removes what a process killed in the middle of SaveAtomically,
// CopyFileReplace or (POSIX) IniWrite left beside the target: the files in
// `folder` whose names are exactly this seam's temporary names for a name
// matching `name_pattern` (wildcards as FindFiles), and nothing else.
// POSIX: "<name>.tmp<pid>_<n>"; Windows: "<name>.<pid>-<n>.tmp", both
// numbers in plain decimal. Call it while no other copy can be writing there
// (under the instance guard): a replace in progress would lose its
// temporary file. Returns how many files it removed.
int RemoveOwnTemporaries(const std::string& folder, const std::string& name_pattern);

// ---- Environment and program ---------------------------------------------

// Value of an environment variable. `buffer_size` mimics the system call's
// buffer: a value of `buffer_size` bytes or more does not fit and reads as
// empty. Unset, and a name that is empty or (POSIX) holds "=", also read as
// empty. Windows counts the bytes of the value's Shift-JIS form, in which
// characters that code page 932 lacks become "?".
std::string GetEnvironmentValue(const std::string& name, std::size_t buffer_size);
// Full path of the running program file; empty when the system cannot tell
// it. Windows: characters that code page 932 lacks become "?".
std::string ProgramPath();
// The name of the environment variable that names the temporary folder:
// "temp" on Windows (whose variables match without regard to case),
// "TMPDIR" on POSIX.
std::string TempFolderVariable();
// The system's own temporary folder, for when that variable gives none,
// always ending in a separator. Windows: GetTempPath (which reads TMP, TEMP
// and USERPROFILE, then takes the Windows folder), or "C:\\" when even that
// fails. POSIX: "/tmp/".
std::string SystemTempFolder();

// ---- INI files ------------------------------------------------------------
// Private-profile semantics: sections and keys match case-insensitively,
// the first match wins, blanks around keys and values are ignored, a missing
// file, section or key reads as empty. Windows: the system's private-profile
// functions, the ANSI ones where the file's path has a form in the ANSI code
// page, else the wide ones. POSIX: the rules of platform/ini_text.h, one
// read of the whole file per call.

// The value, or empty text (also when the file cannot be read).
std::string IniRead(const std::string& file, const std::string& section, const std::string& key);
// Creates what is missing and leaves every other byte of the file as it was.
// False when the write failed. POSIX: the file is replaced atomically
// (through a temporary file named as RemoveOwnTemporaries says), or
// rewritten in place when its folder cannot take a temporary file; false
// without a write for what would change the file's structure (see
// ini::CanWrite) and for a file that exists but cannot be read. Windows:
// the system writes it, whatever the text holds, except a section name that
// ends in a lone lead byte (ini::EndsInLoneLeadByte), which both refuse.
bool IniWrite(const std::string& file, const std::string& section, const std::string& key,
              const std::string& value);

// ---- Processes ------------------------------------------------------------

class Process {
 public:
  virtual ~Process() = default;  // closes the handles; does not end the process
  // Non-blocking: true once the process has ended.
  virtual bool Ended() = 0;
  // The exit code once Ended() has said true; -1 before that, and when the
  // process was ended by a signal or by Kill().
  virtual int ExitCode() = 0;
  // Ends the process now and waits for it to be gone (Windows: for at most
  // 5 s). A process that can catch it (POSIX: SIGTERM) is given a moment to
  // remove its temporary files first, then it is killed outright; Windows
  // ends it outright. Does nothing once it has ended.
  virtual void Kill() = 0;
};

// Starts `command_line`, split by the Windows argument rules, never through a
// shell, with `working_folder` as its current folder, hidden and without
// terminal I/O. The program (the first word) is looked up in the folder of
// the running program first, then on PATH (Windows: the system's search,
// which also looks in the current and the system folders before PATH). An
// empty `working_folder` keeps ours. Returns nullptr when it cannot be
// started.
std::unique_ptr<Process> StartProcess(const std::string& command_line,
                                      const std::string& working_folder);

// ---- Time -----------------------------------------------------------------

// Local wall-clock date-time: days since 1899-12-30 plus the fraction of the
// day (the toolkit's form), to the millisecond. POSIX: a leap second counts
// as the minute's last second; 0 when the local time cannot be told.
double LocalNow();
// The time of day of `date_time` (as LocalNow gives it) in the system's
// long time format, Shift-JIS. Windows: GetTimeFormat with the user's
// locale and its long time format ("8:04:05" on a Japanese system, where
// the hour has no leading zero); a character that code page 932 lacks
// becomes "?". POSIX has no such setting (a locale's own time format is
// another thing, "%H時%M分%S秒" under ja_JP, in the locale's encoding), so
// it writes what a Japanese Windows does: FormatJapaneseLongTime.
std::string LongTimeText(double date_time);
// Sleeps at least `ms` milliseconds (POSIX: a signal does not cut it short);
// 0 or less gives up the rest of the time slice.
void SleepMilliseconds(int ms);

// ---- Single instance guard ------------------------------------------------

// True when this process may run: no other process holds a guard of that
// name; false also when this process holds it already, and when the guard
// cannot be made (treated like another copy). Windows: a named mutex in the
// session's namespace; `folders` are unused. POSIX: `folders` are the
// folders a run writes (the host folder and the temporary folder). An
// exclusive flock on a lock file in each of them, all or none, dropped by
// the system when the process dies: so two starts that share any one of
// these folders never both run. In a folder with the sticky bit (a shared
// /tmp) the file is the user's own, "<name>-<uid>.lock"; elsewhere every
// user shares "<name>.lock", created with 0666 and the umask and opened for
// reading only, which is all a lock needs. Bytes of `name` other than ASCII
// letters, digits, "-", "_" and "." become "_" in the file names. A folder
// this process cannot write at all (missing, read-only, no write access) is
// left out: the run cannot write there either. A lock file that cannot be
// opened in a folder that can be written (a link in its place, another
// user's file that the umask made unreadable), or that its file system will
// not lock (ENOLCK), fails the guard.
bool AcquireInstanceGuard(const std::string& name, const std::vector<std::string>& folders);
// Drops the guard; nothing when none is held.
void ReleaseInstanceGuard();

// ---- Desktop shell ---------------------------------------------------------

// Hands `target` to the desktop's "open" verb. The result is not reported.
// Windows: ShellExecute with `parameters` and `default_folder` (either may
// be empty), shown normally. POSIX: xdg-open, started without a shell, with
// `default_folder` as its current folder when that exists; `parameters` are
// not passed, and a target that begins with "-" (which xdg-open would read
// as an option) is not opened.
void ShellOpen(const std::string& target, const std::string& parameters,
               const std::string& default_folder);

}  // namespace kivo::platform
