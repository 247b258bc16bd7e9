// Both programs carry their manifests, and the window tests run with the
// one the program has: the side-by-side Common Controls 6 (under Wine).
#include <windows.h>
#undef DeleteFile
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace kivo::window {
namespace {

using platform::win32::Wide;

// The manifest of one of the programs beside the tests, read from a copy of
// its file: Wine would hand out its own built-in program for a file named
// powershell.exe, whatever the folder.
std::string ManifestOf(const std::string& program) {
  const std::string tests = platform::ProgramPath();
  const std::string folder = tests.substr(0, tests.find_last_of('\\'));
  const std::string copy = platform::SystemTempFolder() + "kivo-manifest-" +
                           std::to_string(GetCurrentProcessId()) + ".exe";
  if (!CopyFileW(Wide(folder + "\\..\\" + program).c_str(), Wide(copy).c_str(), FALSE)) {
    return "(no " + program + ")";
  }
  std::string text = "(no manifest)";
  if (HMODULE module = LoadLibraryExW(Wide(copy).c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
      const DWORD size = SizeofResource(module, found);
      const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
      if (bytes) text.assign(bytes, size);
    }
    FreeLibrary(module);
  }
  DeleteFileW(Wide(copy).c_str());
  return text;
}

TEST(Win32Manifest, TheProgramAsksForCommonControls6AllWindowsVersionsAndCrispText) {
  const std::string manifest = ManifestOf("kivo.exe");
  for (const char* needle : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             "level=\"asInvoker\"", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
                             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",                         // 8
                             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10, 11
                             ">false</dpiAware>", ">true</gdiScaling>"}) {
    EXPECT_NE(manifest.find(needle), std::string::npos) << needle << " in\n" << manifest;
  }
  const std::string helper = ManifestOf("powershell.exe");
  EXPECT_NE(helper.find("level=\"asInvoker\""), std::string::npos) << helper;
  EXPECT_NE(helper.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << helper;
}

TEST(Win32Manifest, TheTestProgramRunsWithCommonControls6LikeTheProgram) {
  // This program links the program's resources, manifest included, so the
  // window tests beside this one ran with the controls users get: the
  // side-by-side Common Controls 6, not the system folder's version 5.
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(comctl, path, MAX_PATH);
  CharLowerW(path);
  const std::wstring loaded = path;
  EXPECT_NE(loaded.find(L"\\winsxs\\"), std::wstring::npos) << platform::win32::Narrow(loaded);
  EXPECT_NE(loaded.find(L"common-controls"), std::wstring::npos) << platform::win32::Narrow(loaded);
}

}  // namespace
}  // namespace kivo::window
