// session_probe: drives a running kivo.exe from outside, as a user and the
// system would, for scripts/wine_session.py. Each argument is one action, done
// in order on the plugin window (class "TFormDLL"):
//
//   wait            wait up to 60 s for the window to be shown
//   placement       print "<showCmd> <zoomed> <left>,<top>,<right>,<bottom>"
//                   (the normal rectangle) on standard output
//   move X Y W H    move and size the window
//   maximize        maximise it
//   days TEXT       put TEXT into the days field, as typed
//   close           ask the window to close (its close box) and wait until
//                   the process has ended
//   endsession      WM_QUERYENDSESSION (must answer yes), then WM_ENDSESSION
//                   for a logoff; then end the process at once, as the
//                   system does when the answer is in
//
// Exit code 0 when every action worked, 1 otherwise (the reason on stderr).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND FindPluginWindow() { return FindWindowW(L"TFormDLL", nullptr); }

bool Fail(const char* what) {
  std::fprintf(stderr, "session_probe: %s\n", what);
  return false;
}

bool WaitShown(HWND& window) {
  for (int i = 0; i < 600; ++i) {
    window = FindPluginWindow();
    if (window && IsWindowVisible(window)) {
      Sleep(300);  // let the show and the first activation settle
      return true;
    }
    Sleep(100);
  }
  return Fail("no plugin window within 60 s");
}

HANDLE OpenOwner(HWND window, DWORD access) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid ? OpenProcess(access, FALSE, pid) : nullptr;
}

bool Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD_PTR& result) {
  return SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, 20000, &result) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  HWND window = FindPluginWindow();
  for (int i = 1; i < argc; ++i) {
    const std::string action = argv[i];
    if (action == "wait") {
      if (!WaitShown(window)) return 1;
      continue;
    }
    if (!window || !IsWindow(window)) return Fail("no plugin window"), 1;
    DWORD_PTR result = 0;
    if (action == "placement") {
      WINDOWPLACEMENT wp{};
      wp.length = sizeof wp;
      if (!GetWindowPlacement(window, &wp)) return Fail("GetWindowPlacement failed"), 1;
      const RECT& r = wp.rcNormalPosition;
      std::printf("%u %d %ld,%ld,%ld,%ld\n", wp.showCmd, IsZoomed(window) ? 1 : 0, r.left, r.top,
                  r.right, r.bottom);
      std::fflush(stdout);
    } else if (action == "move" && i + 4 < argc) {
      const int x = std::atoi(argv[i + 1]), y = std::atoi(argv[i + 2]);
      const int w = std::atoi(argv[i + 3]), h = std::atoi(argv[i + 4]);
      i += 4;
      if (!SetWindowPos(window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE)) {
        return Fail("SetWindowPos failed"), 1;
      }
    } else if (action == "maximize") {
      ShowWindow(window, SW_MAXIMIZE);
      for (int n = 0; n < 50 && !IsZoomed(window); ++n) Sleep(100);
      if (!IsZoomed(window)) return Fail("the window did not maximise"), 1;
    } else if (action == "days" && i + 1 < argc) {
      HWND days = FindWindowExW(window, nullptr, L"EDIT", nullptr);
      if (!days) return Fail("no days field"), 1;
      const std::string text = argv[++i];
      const std::wstring wide(text.begin(), text.end());
      if (!Send(days, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), result)) {
        return Fail("WM_SETTEXT timed out"), 1;
      }
    } else if (action == "close") {
      HANDLE process = OpenOwner(window, SYNCHRONIZE);
      PostMessageW(window, WM_CLOSE, 0, 0);
      const bool ended = process && WaitForSingleObject(process, 30000) == WAIT_OBJECT_0;
      if (process) CloseHandle(process);
      if (!ended) return Fail("the program did not end within 30 s of the close"), 1;
      window = nullptr;
    } else if (action == "endsession") {
      HANDLE process = OpenOwner(window, PROCESS_TERMINATE | SYNCHRONIZE);
      if (!process) return Fail("cannot open the program's process"), 1;
      if (!Send(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, result)) {
        return Fail("WM_QUERYENDSESSION timed out"), 1;
      }
      if (result != TRUE) return Fail("the window refused the end of the session"), 1;
      const DWORD started = GetTickCount();
      if (!Send(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, result)) {
        return Fail("WM_ENDSESSION timed out"), 1;
      }
      std::printf("endsession answered in %lu ms\n",
                  static_cast<unsigned long>(GetTickCount() - started));
      std::fflush(stdout);
      // The system does not wait for the program to finish anything else.
      TerminateProcess(process, 1);
      WaitForSingleObject(process, 10000);
      CloseHandle(process);
      window = nullptr;
    } else {
      std::fprintf(stderr, "session_probe: unknown action %s\n", action.c_str());
      return 2;
    }
  }
  return 0;
}
