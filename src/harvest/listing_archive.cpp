#include "harvest/listing_archive.h"

#include "platform/platform.h"
#include "settings/settings.h"

namespace kivo {
namespace {

constexpr char kArchivePrefix[] = "kivod";
constexpr char kArchiveSuffix[] = ".html";
// The day given to an archived page whose name holds no date.
constexpr CivilDate kNoArchiveDate{1970, 1, 1};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string ArchiveFolder(const std::string& host_dir) {
  return HostFile(host_dir, kArchiveFolderName);
}

std::string ArchivePattern(const std::string& host_dir) {
  return ArchiveFolder(host_dir) + platform::PathSeparator() + kArchiveNames;
}

std::string ArchiveFile(const std::string& host_dir, const CivilDate& day) {
  return ArchiveFolder(host_dir) + platform::PathSeparator() + kArchivePrefix + FormatYYMMDD(day) +
         kArchiveSuffix;
}

CivilDate ArchivedPageDay(const std::string& name) {
  const std::size_t start = sizeof kArchivePrefix - 1;
  if (name.size() < start + 6) return kNoArchiveDate;
  for (std::size_t i = start; i < start + 6; ++i) {
    if (!IsDigit(name[i])) return kNoArchiveDate;
  }
  auto two = [&](std::size_t at) { return (name[at] - '0') * 10 + (name[at + 1] - '0'); };
  const CivilDate day{2000 + two(start), two(start + 2), two(start + 4)};
  return IsValidDate(day.year, day.month, day.day) ? day : kNoArchiveDate;
}

std::set<std::int64_t> ArchivedDays(const std::string& host_dir) {
  std::set<std::int64_t> days;
  for (const std::string& name : platform::FindFiles(ArchivePattern(host_dir))) {
    days.insert(EncodeDate(ArchivedPageDay(name)));
  }
  return days;
}

}  // namespace kivo
