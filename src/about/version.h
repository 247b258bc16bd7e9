// The program's version values. On Windows they come from the version
// resource (kivo.rc, built from version_values.h); on POSIX from the same
// definitions, so the two builds never disagree. The build writes
// version_values.h from project(kivo VERSION ...).
#pragma once

#include <string>

namespace kivo {

struct TVersion {
  std::string CompanyName;
  std::string FileDescription;
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyright;
  std::string LegalTrademarks;
  std::string OriginalFileName;
  std::string ProductName;
  std::string ProductVersion;
  std::string Comment;
  std::string ScrnSave;
};

// Fills `version` from the version information of `file_name` (Shift-JIS
// values). Always returns true; fields the file lacks stay empty.
bool ReadVersionInfo(const std::string& file_name, TVersion& version);

}  // namespace kivo
