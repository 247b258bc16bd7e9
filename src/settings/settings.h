// Settings and folders: the host folder, the host's settings file and the
// temporary folder, and the names of every file the plugin builds.
#pragma once

#include <string>

namespace kivo {

// File names joined to the host folder (each after a path separator).
inline constexpr char kSettingsFileName[] = "Quillcast.ini";
inline constexpr char kPlacementFileName[] = "qlc.ini";
inline constexpr char kHistoryFileName[] = "kivo.txt";
// Detail pages that answered but held neither a title nor an ISBN, one line
// per run that found them so, in the history's format.
inline constexpr char kUnreadPagesFileName[] = "kivo_unread.txt";
inline constexpr char kLogFileName[] = "Quillcas.log";
inline constexpr char kCatalogueFileName[] = "QuillsMas.csv";
inline constexpr char kArchiveFolderName[] = "old";
inline constexpr char kListingFileName[] = "Getkivo.html";
inline constexpr char kDetailFileName[] = "Getkivo2.html";

inline constexpr char kHostSection[] = "TSetup";
inline constexpr char kPluginSection[] = "kivo";
inline constexpr char kDataDeleteDaysKey[] = "DataDeleteDays_Text";
inline constexpr char kBeforeDaysKey[] = "DLBeforeDays";
inline constexpr char kBaseUrlKey[] = "BaseURL";
// Listing days left incomplete, walked again by later runs.
inline constexpr char kUnfinishedDaysKey[] = "UnfinishedDays";
// The shop's address when the settings name none.
inline constexpr char kDefaultBaseUrl[] = "https://www.kivo.co.jp";

// The host folder for a program path: the program's folder, a separator and
// "..", never ending in a separator ("C:\H\P\kivo.exe" -> "C:\H\P\..").
// A 0x5C second byte of a Shift-JIS character is no separator; a separator
// after a lead-byte value is one ("/opt/hostテ/kivo" in UTF-8 ->
// "/opt/hostテ/..").
std::string HostDirFromProgramPath(const std::string& program_path);
// `host_dir` + separator + `name`.
std::string HostFile(const std::string& host_dir, const std::string& name);

// One value of section "TSetup" / "kivo" of the host's settings file; empty
// when the file, section or key is missing.
std::string ReadSetupValue(const std::string& host_dir, const std::string& key);
std::string ReadPluginValue(const std::string& host_dir, const std::string& key);
// Stores a value in section "kivo", creating what is missing. Throws
// std::runtime_error("<path> に書き込めません") (Shift-JIS) when it fails.
void WritePluginValue(const std::string& host_dir, const std::string& key,
                      const std::string& value);
// The shop's base address: "BaseURL" of section "kivo", or the default.
std::string ShopBaseUrl(const std::string& host_dir);

// An environment variable trimmed of blanks and control characters; empty
// when unset or 260 bytes or longer.
std::string GetEnvStr(const std::string& name);
// The temporary folder, ending in a separator: GetEnvStr of "temp" (POSIX:
// "TMPDIR"), or, when that gives nothing, the system's folder (POSIX:
// "/tmp/"), never the value the 260-byte rule refused.
std::string GetTempDir();

}  // namespace kivo
