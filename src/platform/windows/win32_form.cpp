#include "platform/windows/win32_form.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>
#include <vector>

#include "platform/windows/error_report.h"
#include "platform/windows/win32_accessible.h"
#include "platform/windows/win32_monitors.h"
#include "platform/windows/resources.h"
#include "platform/windows/win32_text.h"
#include "ui/twips.h"

namespace hv::windows_backend {
namespace {

using ui::ControlId;
using ui::ControlKind;

constexpr UINT_PTR kTimerId = 1;
constexpr std::string_view kDialogFace = "MS Shell Dlg";

std::wstring window_class() { return widen(ui::main_window().name); }
constexpr wchar_t kPictureClass[] = L"HV_TEST_PROCESS_PICTURE";

int control_id(ControlId id) { return 100 + static_cast<int>(id); }


COLORREF to_colorref(ui::Rgb rgb) { return RGB(rgb.red, rgb.green, rgb.blue); }

WPARAM check_state(std::int16_t value) {
  return value == 1 ? BST_CHECKED : value == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
}

// A focusable sunken frame that paints the thumbs-up bitmap over its whole inside.
LRESULT CALLBACK picture_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT inside;
      GetClientRect(window, &inside);
      auto bitmap = reinterpret_cast<HBITMAP>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (bitmap) {
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BITMAP info{};
        GetObjectW(bitmap, sizeof info, &info);
        // Scaled for a denser screen, every source pixel counts towards what is shown; the default
        // mode drops or doubles whole rows at 125 % to 175 %.
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, 0, 0, inside.right, inside.bottom, memory, 0, 0, info.bmWidth,
                   info.bmHeight, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
      }
      if (GetFocus() == window) DrawFocusRect(dc, &inside);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(window);
      return 0;
    default:
      return DefWindowProcW(window, message, w, l);
  }
}

// Debian's mingw-w64 import library for comctl32 lacks LoadIconWithScaleDown, which comctl32 6 (the
// one the manifest asks for) exports; it is looked up there.
HICON load_icon_scaled_down(HINSTANCE instance, int size) {
  using Loader = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
  static const auto load = reinterpret_cast<Loader>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"comctl32.dll"), "LoadIconWithScaleDown")));
  HICON icon = nullptr;
  if (load && SUCCEEDED(load(instance, MAKEINTRESOURCEW(HV_APP_ICON), size, size, &icon))) return icon;
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(HV_APP_ICON), IMAGE_ICON, size, size, 0));
}

// Windows 10 1607 knows no PerMonitorV2 and takes the manifest's second choice, per-monitor
// awareness without a scaled frame: the title bar and borders would stay at the primary monitor's
// size on every other one. Asked for at creation, the frame follows each monitor there too; from
// 1703 on, PerMonitorV2 scales it already. It is asked while the window is being made, before the
// window has its object, so the class's own procedure asks.
void scale_frame_on_old_windows(HWND window) {
  const DPI_AWARENESS_CONTEXT awareness = GetThreadDpiAwarenessContext();
  if (GetAwarenessFromDpiAwarenessContext(awareness) == DPI_AWARENESS_PER_MONITOR_AWARE &&
      !AreDpiAwarenessContextsEqual(awareness, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) {
    EnableNonClientDpiScaling(window);
  }
}

void register_classes(HINSTANCE instance) {
  const std::wstring main_class = window_class();
  WNDCLASSEXW main{};
  main.cbSize = sizeof main;
  main.lpfnWndProc = [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
    if (message == WM_NCCREATE) scale_frame_on_old_windows(window);
    return DefWindowProcW(window, message, w, l);
  };
  main.hInstance = instance;
  main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  main.lpszClassName = main_class.c_str();
  RegisterClassExW(&main);

  WNDCLASSEXW picture{};
  picture.cbSize = sizeof picture;
  picture.lpfnWndProc = picture_proc;
  picture.hInstance = instance;
  picture.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  picture.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  picture.lpszClassName = kPictureClass;
  RegisterClassExW(&picture);
}

}  // namespace

// Places convert with the system's density, one for the whole desktop; the window's size and
// fonts with its own monitor's, which WM_DPICHANGED brings when it moves to another.
Win32Form::Win32Form(HINSTANCE instance) : BackendForm(static_cast<int>(GetDpiForSystem()), ui::kDesignDpi), instance_(instance) {
  const auto& design = ui::main_window();
  register_classes(instance_);
  thumbs_up_ = static_cast<HBITMAP>(
      LoadImageW(instance_, MAKEINTRESOURCEW(HV_THUMBS_UP_BITMAP), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  window_ = CreateWindowExW(0, window_class().c_str(), widen(design.title).c_str(), kMainWindowStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance_,
                            nullptr);
  if (!window_) throw std::runtime_error("cannot create the window: " + system_message(GetLastError()));
  // The object hangs off its window; the procedure only dispatches to it.
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(window_proc));
  create_controls();
  layout(GetDpiForWindow(window_));
}

RECT outer_rect(long client_width, long client_height, UINT dpi) {
  RECT outer{0, 0, static_cast<LONG>(client_width), static_cast<LONG>(client_height)};
  AdjustWindowRectExForDpi(&outer, kMainWindowStyle, FALSE, 0, dpi);
  return outer;
}

// The icons at the sizes the window's density asks for (the title bar's and Alt+Tab's): where the
// icon has no image of that size, the next larger one scaled down, never a smaller one scaled up.
void Win32Form::load_icons(UINT dpi) {
  for (const auto& [kind, metric] : {std::pair(ICON_BIG, SM_CXICON), std::pair(ICON_SMALL, SM_CXSMICON)}) {
    const int size = GetSystemMetricsForDpi(metric, dpi);
    HICON icon = load_icon_scaled_down(instance_, size);
    HICON& kept = kind == ICON_BIG ? big_icon_ : small_icon_;
    SendMessageW(window_, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    if (kept) DestroyIcon(kept);
    kept = icon;
  }
}

Win32Form::~Win32Form() {
  if (window_) DestroyWindow(window_);
  for (HICON icon : {big_icon_, small_icon_}) {
    if (icon) DestroyIcon(icon);
  }
  for (auto& [size, font] : fonts_) DeleteObject(font);
  for (auto& [colour, brush] : brushes_) DeleteObject(brush);
  if (thumbs_up_) DeleteObject(thumbs_up_);
}

// Controls are kept in the z-order they are made in, which is the order the dialog manager's Tab
// follows.
void Win32Form::create_controls() {
  HWND previous = HWND_TOP;
  for (const ui::Control* control : ui::creation_order()) {
    const std::wstring text = widen(control->text);
    const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id(control->id)));
    HWND child = nullptr;
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    switch (control->kind) {
      case ControlKind::Label:
        child = CreateWindowExW(0, L"STATIC", text.c_str(),
                                kChild | (control->centred ? SS_CENTER : SS_LEFT) |
                                    (control->id == ControlId::CREATOR_TEXTBOX ? SS_NOTIFY : 0),
                                0, 0, 0, 0, window_, id, instance_, nullptr);
        break;
      case ControlKind::TextBox:
        child = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text.c_str(),
                                kChild | WS_TABSTOP | (control->centred ? ES_CENTER : ES_LEFT) | ES_READONLY |
                                    ES_AUTOHSCROLL, 0, 0,
                                0, 0, window_, id, instance_, nullptr);
        break;
      case ControlKind::PictureBox:
        child = CreateWindowExW(WS_EX_CLIENTEDGE, kPictureClass, L"", kChild | WS_TABSTOP, 0, 0, 0,
                                0, window_, id, instance_, nullptr);
        SetWindowLongPtrW(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(thumbs_up_));
        break;
      case ControlKind::CheckBox:
        child = CreateWindowExW(0, L"BUTTON", text.c_str(), kChild | WS_TABSTOP | BS_3STATE, 0, 0,
                                0, 0, window_, id, instance_, nullptr);
        if (child) SendMessageW(child, BM_SETCHECK, check_state(ui::kTickBoxDesignValue), 0);
        break;
      case ControlKind::CommandButton:
        child = CreateWindowExW(0, L"BUTTON", text.c_str(), kChild | WS_TABSTOP | BS_PUSHBUTTON, 0,
                                0, 0, 0, window_, id, instance_, nullptr);
        break;
      case ControlKind::Timer:
        continue;
    }
    if (!child) throw std::runtime_error("cannot create " + std::string(control->name));
    SetWindowPos(child, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = child;
    controls_[control->id] = child;
    designs_[child] = control;
    serve_accessibility(child, *control);
  }
}

// Places every control and sets its font for a DPI: the design's twips at 1440 / DPI a pixel.
void Win32Form::layout(UINT dpi) {
  use_dpi(static_cast<int>(dpi));
  load_icons(dpi);
  const auto px = [this](int twips) { return static_cast<int>(ui::twips_to_pixels(static_cast<float>(twips), this->dpi())); };
  for (const auto& [child, control] : designs_) {
    const ui::TwipsRect& r = control->rect;
    SetWindowPos(child, nullptr, px(r.left), px(r.top), px(r.width), px(r.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(*control)), TRUE);
  }
}

HFONT Win32Form::font_for(const ui::Control& control) {
  const FontKey key{control.font ? control.font->face : kDialogFace, control.font && control.font->bold,
                    -ui::font_pixels(control, dpi())};
  HFONT& font = fonts_[key];
  if (!font) {
    font = CreateFontW(key.height, 0, 0, 0, key.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       widen(key.face).c_str());
  }
  return font;
}

void Win32Form::run(FormEvents& events) {
  use_events(events);
  dispatch([this] { this->events().Form_Load(); });
  apply_geometry();
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  mark_shown();
  last_focus_ = controls_.at(ControlId::EXIT_BUTTON);
  SetFocus(last_focus_);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void Win32Form::report_and_exit(const std::string& error) {
  KillTimer(window_, kTimerId);
  report_error_and_exit(error, window_);
}

// The window is laid out at the density of the monitor it goes to before it moves there, so that it
// arrives at the design's size, in the place asked, and is never scaled on the way.
void Win32Form::apply_geometry() { place_window(); }

void Win32Form::lay_out(int dpi) { layout(static_cast<UINT>(dpi)); }

void Win32Form::put_window(const PixelPlacement& place) {
  const RECT outer = outer_rect(place.client_width, place.client_height, static_cast<UINT>(place.dpi));
  applying_ = true;
  SetWindowPos(window_, nullptr, static_cast<int>(place.corner.x), static_cast<int>(place.corner.y),
               outer.right - outer.left, outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
  applying_ = false;
}

int Win32Form::window_dpi() const { return static_cast<int>(GetDpiForWindow(window_)); }

std::vector<ScaledMonitor> Win32Form::scaled_monitors() const {
  std::vector<ScaledMonitor> monitors;
  for (const Win32Monitor& m : read_monitors()) {
    monitors.push_back({{m.whole.left, m.whole.top, m.whole.right - m.whole.left, m.whole.bottom - m.whole.top},
                        static_cast<int>(m.dpi)});
  }
  return monitors;
}

std::vector<PixelRect> Win32Form::monitor_areas() const {
  std::vector<PixelRect> areas;
  for (const Win32Monitor& m : read_monitors()) {
    areas.push_back({m.work.left, m.work.top, m.work.right - m.work.left, m.work.bottom - m.work.top});
  }
  return areas;
}

PixelFrame Win32Form::frame(int dpi) const {
  const RECT outer = outer_rect(0, 0, static_cast<UINT>(dpi));
  return {-outer.left, outer.right, -outer.top, outer.bottom};
}

// Read from the position-changed messages rather than from GetWindowPlacement, whose restored
// position is in work-area coordinates and would need converting wherever the task bar is.
PixelPoint Win32Form::outer_position() const {
  if (IsIconic(window_)) return {normal_position_.x, normal_position_.y};
  RECT r;
  GetWindowRect(window_, &r);
  return {r.left, r.top};
}

void Win32Form::set_title(std::string_view text) { SetWindowTextW(window_, widen(text).c_str()); }

void Win32Form::set_app_name_text(std::string_view text) {
  SetWindowTextW(controls_.at(ControlId::APP_NAME_TEXTBOX), widen(text).c_str());
}

void Win32Form::set_creator_caption(std::string_view text) {
  SetWindowTextW(controls_.at(ControlId::CREATOR_TEXTBOX), widen(text).c_str());
}

std::int16_t Win32Form::tick_value() const {
  switch (SendMessageW(controls_.at(ControlId::AlwaysOnTop_TICKBOX), BM_GETCHECK, 0, 0)) {
    case BST_CHECKED: return 1;
    case BST_INDETERMINATE: return 2;
    default: return 0;
  }
}

void Win32Form::show_tick_value(std::int16_t value) {
  SendMessageW(controls_.at(ControlId::AlwaysOnTop_TICKBOX), BM_SETCHECK, check_state(value), 0);
}

void Win32Form::set_timer_interval(int milliseconds) {
  timer_interval_ = static_cast<UINT>(std::max(milliseconds, 0));
  if (timer_enabled_) restart_timer();
}

void Win32Form::set_timer_enabled(bool enabled) {
  timer_enabled_ = enabled;
  if (enabled) restart_timer();
  else KillTimer(window_, kTimerId);
}

void Win32Form::restart_timer() {
  KillTimer(window_, kTimerId);
  if (timer_interval_ > 0) SetTimer(window_, kTimerId, timer_interval_, nullptr);
}

void Win32Form::end_window() {
  KillTimer(window_, kTimerId);
  DestroyWindow(window_);
}

// As dialog windows do: the keyboard focus leaves with the window and comes back to the control
// that had it, so Space still presses EXIT after the user has worked elsewhere.
void Win32Form::on_activate(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) last_focus_ = focus;
    return;
  }
  if (last_focus_ && IsWindow(last_focus_)) SetFocus(last_focus_);
}

WindowHandle Win32Form::handle() const { return reinterpret_cast<WindowHandle>(window_); }

LRESULT CALLBACK Win32Form::window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, w, l);
  return self->on_message(message, w, l);
}

LRESULT Win32Form::on_message(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      on_command(LOWORD(w), HIWORD(w));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return on_colour(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
    case WM_TIMER:
      if (w == kTimerId) dispatch([this] { events().AlwaysOnTopTimer_Timer(); });
      return 0;
    case WM_CLOSE:
      unload();
      return 0;
    case WM_ENDSESSION:
      // The end of the Windows session closes the window as any close does. The query before it
      // can still be cancelled by another program, so only this message, with its flag set, stores.
      if (w) unload();
      return 0;
    case WM_SETFOCUS:
      // The frame took the focus (a restore from the taskbar does): the control that had it gets it back.
      if (last_focus_ && IsWindow(last_focus_)) SetFocus(last_focus_);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(w) == WA_INACTIVE || !HIWORD(w)) {
        on_activate(LOWORD(w) != WA_INACTIVE);
        return 0;
      }
      return DefWindowProcW(window_, message, w, l);  // activated while minimised
    case WM_WINDOWPOSCHANGED: {
      const auto* position = reinterpret_cast<const WINDOWPOS*>(l);
      if (!IsIconic(window_) && !(position->flags & SWP_NOMOVE)) normal_position_ = {position->x, position->y};
      return DefWindowProcW(window_, message, w, l);
    }
    case WM_GETDPISCALEDSIZE: {
      // The design's exact size at the new density, not the old size scaled with its frame.
      const PixelSize client = client_size(static_cast<int>(w));
      const RECT outer = outer_rect(client.width, client.height, static_cast<UINT>(w));
      *reinterpret_cast<SIZE*>(l) = {outer.right - outer.left, outer.bottom - outer.top};
      return TRUE;
    }
    case WM_DPICHANGED: {
      layout(HIWORD(w));
      if (applying_) return 0;
      // Dragged onto another monitor: where Windows suggests, at the design's size there.
      const auto* suggested = reinterpret_cast<const RECT*>(l);
      const PixelSize client = client_size(dpi());
      const RECT outer = outer_rect(client.width, client.height, static_cast<UINT>(dpi()));
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, outer.right - outer.left,
                   outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_DESTROY:
      KillTimer(window_, kTimerId);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window_, message, w, l);
  }
}

void Win32Form::on_command(WORD id, WORD code) {
  if (id == control_id(ControlId::EXIT_BUTTON) && code == BN_CLICKED) {
    dispatch([this] { events().EXIT_BUTTON_Click(); });
  } else if (id == control_id(ControlId::AlwaysOnTop_TICKBOX) && code == BN_CLICKED) {
    tick_box_clicked();  // a three-state box's button does not change its own state
  } else if (id == control_id(ControlId::CREATOR_TEXTBOX) && code == STN_DBLCLK) {
    dispatch([this] { events().CREATOR_TEXTBOX_DblClick(); });
  }
  // IDOK and IDCANCEL from Enter and Escape are ignored: EXIT is neither default nor cancel.
}

LRESULT Win32Form::on_colour(HDC dc, HWND control) {
  const auto* found = designs_.find(control);
  const ui::Control* design = found ? *found : nullptr;
  const bool text_box = design && design->kind == ControlKind::TextBox;
  const COLORREF back = design && design->background ? to_colorref(*design->background)
                        : text_box ? GetSysColor(COLOR_WINDOW) : GetSysColor(COLOR_BTNFACE);
  const COLORREF fore = design && design->foreground ? to_colorref(*design->foreground)
                        : text_box ? GetSysColor(COLOR_WINDOWTEXT) : GetSysColor(COLOR_BTNTEXT);
  SetTextColor(dc, fore);
  SetBkColor(dc, back);
  HBRUSH& brush = brushes_[back];
  if (!brush) brush = CreateSolidBrush(back);
  return reinterpret_cast<LRESULT>(brush);
}

}  // namespace hv::windows_backend
