#include "shell/window/speed_button.h"

namespace kivo::window {
namespace {

constexpr wchar_t kClassName[] = L"KivoSpeedButton";

struct State {
  Glyph glyph;
  bool hot = false;      // the mouse is over the button
  bool pressed = false;  // the left button went down on it and is held
};

State* StateOf(HWND window) {
  return reinterpret_cast<State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void DrawGlobe(HDC dc, const RECT& r) {
  const int cx = (r.left + r.right) / 2;
  const int cy = (r.top + r.bottom) / 2;
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 64, 160));
  HGDIOBJ old_pen = SelectObject(dc, pen);
  HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Ellipse(dc, cx - 7, cy - 7, cx + 8, cy + 8);
  Ellipse(dc, cx - 3, cy - 7, cx + 4, cy + 8);
  MoveToEx(dc, cx - 7, cy, nullptr);
  LineTo(dc, cx + 8, cy);
  MoveToEx(dc, cx - 6, cy - 4, nullptr);
  LineTo(dc, cx + 7, cy - 4);
  MoveToEx(dc, cx - 6, cy + 4, nullptr);
  LineTo(dc, cx + 7, cy + 4);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(pen);
}

void Paint(HWND window, State& state) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT r;
  GetClientRect(window, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  // Flat until the mouse comes over it, sunk while pressed.
  if (state.pressed && state.hot) {
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  } else if (state.hot || state.pressed) {
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  }
  const int shift = state.pressed && state.hot ? 1 : 0;
  RECT glyph = r;
  OffsetRect(&glyph, shift, shift);
  if (state.glyph == Glyph::About) {
    HICON icon = LoadIconW(nullptr, IDI_INFORMATION);
    DrawIconEx(dc, (glyph.left + glyph.right) / 2 - 8, (glyph.top + glyph.bottom) / 2 - 8, icon, 16,
               16, 0, nullptr, DI_NORMAL);
  } else {
    DrawGlobe(dc, glyph);
  }
  EndPaint(window, &ps);
}

bool Inside(HWND window, LPARAM lparam) {
  RECT r;
  GetClientRect(window, &r);
  const POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  return PtInRect(&r, p) != 0;
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  State* state = StateOf(window);
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      auto* fresh =
          new State{static_cast<Glyph>(reinterpret_cast<INT_PTR>(create->lpCreateParams))};
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fresh));
      break;
    }
    case WM_NCDESTROY:
      delete state;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case WM_PAINT:
      if (state) {
        Paint(window, *state);
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      if (state && state->hot != Inside(window, lparam)) {
        state->hot = !state->hot;
        InvalidateRect(window, nullptr, FALSE);
        if (state->hot) {
          TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
          TrackMouseEvent(&track);
        }
      }
      return 0;
    case WM_MOUSELEAVE:
      if (state && state->hot && !state->pressed) {
        state->hot = false;
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (state && IsWindowEnabled(window)) {
        state->pressed = true;
        state->hot = true;
        SetCapture(window);
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    case WM_LBUTTONUP:
      if (state && state->pressed) {
        state->pressed = false;
        const bool inside = Inside(window, lparam);
        state->hot = inside;
        ReleaseCapture();
        InvalidateRect(window, nullptr, FALSE);
        if (inside) {
          const int id = GetDlgCtrlID(window);
          SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(window));
        }
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (state && state->pressed) {
        state->pressed = false;
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void RegisterOnce(HINSTANCE instance) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  registered = RegisterClassExW(&wc) != 0;
}

}  // namespace

HWND CreateSpeedButton(HINSTANCE instance, HWND parent, int id, Glyph glyph, int x, int y,
                       int width, int height) {
  RegisterOnce(instance);
  return CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                         reinterpret_cast<void*>(static_cast<INT_PTR>(glyph)));
}

}  // namespace kivo::window
