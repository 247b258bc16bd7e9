// POSIX has no version resources. The program's own values come from the
// same definitions the Windows resource is built from; any other file has no
// version information, like a Windows file without a resource.
#include <filesystem>
#include <string>
#include <system_error>

#include "about/version.h"
#include "about/version_values.h"
#include "platform/platform.h"

namespace kivo {
namespace {

bool IsProgramFile(const std::string& file_name) {
  const std::string program = platform::ProgramPath();
  if (file_name.empty() || program.empty()) return false;
  if (file_name == program) return true;
  std::error_code error;
  return std::filesystem::equivalent(file_name, program, error) && !error;
}

}  // namespace

bool ReadVersionInfo(const std::string& file_name, TVersion& version) {
  version = TVersion{};
  if (!IsProgramFile(file_name)) return true;
  version.CompanyName = KIVO_COMPANY_NAME;
  version.FileDescription = KIVO_FILE_DESCRIPTION;
  version.FileVersion = KIVO_FILE_VERSION;
  version.InternalName = KIVO_INTERNAL_NAME;
  version.LegalCopyright = KIVO_LEGAL_COPYRIGHT;
  version.OriginalFileName = KIVO_ORIGINAL_FILE_NAME;
  version.ProductName = KIVO_PRODUCT_NAME;
  version.ProductVersion = KIVO_PRODUCT_VERSION;
  return true;
}

}  // namespace kivo
