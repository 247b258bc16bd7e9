// The archive of listing pages: "old\kivod" + yymmdd + ".html" in the host
// folder, the last page of each day that was walked completely. A day whose
// first page equals its archived page takes the short path.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "platform/datetime.h"

namespace kivo {

// The names of the archived pages, as a pattern.
inline constexpr char kArchiveNames[] = "kivod*.html";

// The archive folder, and the pattern its pages match, in it.
std::string ArchiveFolder(const std::string& host_dir);
std::string ArchivePattern(const std::string& host_dir);
// The archived page of `day`.
std::string ArchiveFile(const std::string& host_dir, const CivilDate& day);
// The day an archived page's bare name gives: the six characters after
// "kivod" as two-digit year (from 2000), month and day; 1 January 1970 when
// they are not a valid date.
CivilDate ArchivedPageDay(const std::string& name);
// The days (EncodeDate) that have an archived page.
std::set<std::int64_t> ArchivedDays(const std::string& host_dir);

}  // namespace kivo
