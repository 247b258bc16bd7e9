// Handing a document or address to the desktop shell on Windows.
#include <windows.h>
#undef DeleteFile  // keep the seam's own DeleteFile
// After <windows.h>, which it needs.
#include <shellapi.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace kivo::platform {
namespace {

using win32::Wide;

}  // namespace

void ShellOpen(const std::string& target, const std::string& parameters,
               const std::string& default_folder) {
  const std::wstring wide_target = Wide(target);
  const std::wstring wide_parameters = Wide(parameters);
  const std::wstring wide_folder = Wide(default_folder);
  ShellExecuteW(nullptr, L"open", wide_target.c_str(),
                wide_parameters.empty() ? nullptr : wide_parameters.c_str(),
                wide_folder.empty() ? nullptr : wide_folder.c_str(), SW_SHOWNORMAL);
}

}  // namespace kivo::platform
