// kivo.exe: the Windows entry. The shared entry routine waits its random
// start-up delay and takes the single-instance guard; the front-end below
// then makes the application window, the plugin window with its logic and
// the hidden About dialog, shows the plugin window (whose first activation
// starts the harvest unless the first argument is "/c"), and runs the
// message loop until the plugin window has closed.
#include <windows.h>
// These need <windows.h> first.
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/run_host.h"
#include "platform/win32/wide_text.h"
#include "shell/entry.h"
#include "shell/window/about_dialog.h"
#include "shell/window/application_window.h"
#include "shell/window/form_window.h"
#include "shell/window/message_pump.h"
#include "shell/window/window_texts.h"
#include "shell/window_logic.h"

namespace {

using kivo::platform::win32::Narrow;
using kivo::platform::win32::Wide;

// The arguments after the program name, as Shift-JIS text.
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.push_back(Narrow(argv[i]));
  LocalFree(argv);
  return args;
}

HFONT CreateUiFont() {
  LOGFONTW lf{};
  lf.lfHeight = -kivo::window_texts::kFontHeight;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::wstring face = Wide(kivo::window_texts::kFontFace);
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

bool IsMinimisedShow(int show) {
  return show == SW_MINIMIZE || show == SW_SHOWMINIMIZED || show == SW_SHOWMINNOACTIVE ||
         show == SW_FORCEMINIMIZE;
}

int RunWindows(HINSTANCE instance, int show, kivo::SystemRunHost& host) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // The shell's "open" verb may hand the address to a COM handler.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

  HWND application = kivo::window::CreateApplicationWindow(instance);
  if (!application) return 1;
  HFONT font = CreateUiFont();
  int code = 1;
  {
    host.SetPump(kivo::window::PumpMessages);
    kivo::window::Win32FormView view(instance, application, font);
    if (view.Create()) {
      kivo::TFormDLL form(view, host, Arguments(), kivo::platform::ProgramPath());
      view.Attach(form);
      kivo::window::SetApplicationMainWindow(application, view.Handle());
      kivo::window::AddDialogWindow(view.Handle());
      kivo::window::SetKeyFilter([&view](const MSG& msg) { return view.FilterKey(msg); });

      view.Dispatch([&form] { form.FormCreate(); });

      kivo::window::AboutDialog about(instance, view.Handle(), font);
      about.Create(kivo::platform::ProgramPath());
      view.SetAboutHandler([&about] { about.Show(); });

      // The application window is shown with no size: it only carries the
      // taskbar button. Showing the plugin window activates it, which runs
      // FormActivate (and in harvest mode the whole run) inside this call.
      ShowWindow(application, IsMinimisedShow(show) ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
      if (IsMinimisedShow(show)) {
        view.Show(SW_SHOWNA);
      } else {
        view.Show(show == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
      }
      code = kivo::window::RunMessageLoop();
      kivo::window::SetKeyFilter(nullptr);
      kivo::window::RemoveDialogWindow(view.Handle());
      view.SetAboutHandler(nullptr);
      view.Detach();
    }
  }
  DestroyWindow(application);
  DeleteObject(font);
  if (SUCCEEDED(com)) CoUninitialize();
  return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  kivo::SystemRunHost host;
  return kivo::RunEntry([&] { return RunWindows(instance, show, host); }, host,
                        kivo::platform::ProgramPath());
}
