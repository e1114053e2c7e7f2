#include "graphics/win/IGraphicsHwnd.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <wininet.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "graphics/IControl.h"
#include "graphics/editable_text_control.h"
#include "graphics/win/plugin_module_win.h"
#include "plug/IParam.h"
#include "plug/IPlugBase.h"
#include "raster/bitmap.h"
#include "raster/png_win.h"

namespace {

const char kWindowClassName[] = "IPlugWndClass";
// The host whose editor windows must take the keyboard focus themselves.
const int kHostNeedingFocus = 25;

// Open editor windows in the process (the class lives while one exists) and the frame rate
// of the last opened editor, which sets every window's timer period.
int g_openWindows = 0;
int g_frameRate = 24;

int SignedLow(LPARAM p) { return static_cast<short>(LOWORD(p)); }
int SignedHigh(LPARAM p) { return static_cast<short>(HIWORD(p)); }

IMouseMod ModFromKeyState(WPARAM keys) {
  return IMouseMod((keys & MK_LBUTTON) != 0, (keys & MK_RBUTTON) != 0, (keys & MK_SHIFT) != 0,
                   (keys & MK_CONTROL) != 0, GetKeyState(VK_MENU) < 0);
}

// Editor key code of a virtual key, or -1 for keys the editor does not take.
int EditorKeyFor(WPARAM vk) {
  switch (vk) {
    case VK_SPACE: return kKeySpace;
    case VK_UP: return kKeyUp;
    case VK_DOWN: return kKeyDown;
    case VK_LEFT: return kKeyLeft;
    case VK_RIGHT: return kKeyRight;
    default: break;
  }
  if (vk >= '0' && vk <= '9') return kKeyDigit0 + static_cast<int>(vk - '0');
  if (vk >= 'A' && vk <= 'Z') return kKeyLetterA + static_cast<int>(vk - 'A');
  return -1;
}

// Folder of a module's file, with its trailing backslash; empty when unknown.
void ModuleFolder(HMODULE module, WDL_String* path) {
  if (!path) return;
  char name[256];
  const DWORD n = GetModuleFileNameA(module, name, sizeof(name));
  path->Assign("", 0);
  if (n == 0 || n >= sizeof(name)) return;
  name[n] = 0;
  char* slash = strrchr(name, '\\');
  if (!slash) return;
  slash[1] = 0;
  path->Assign(name, 0);
}

UINT_PTR CALLBACK ColorDialogHook(HWND dialog, UINT msg, WPARAM, LPARAM lParam) {
  if (msg == WM_INITDIALOG && lParam) {
    const CHOOSECOLORA* cc = reinterpret_cast<const CHOOSECOLORA*>(lParam);
    if (cc->lCustData) SetWindowTextA(dialog, reinterpret_cast<const char*>(cc->lCustData));
  }
  return 0;
}

void ResizeWindowBy(HWND hwnd, int dw, int dh) {
  RECT r;
  if (!hwnd || !GetWindowRect(hwnd, &r)) return;
  SetWindowPos(hwnd, nullptr, 0, 0, (r.right - r.left) + dw, (r.bottom - r.top) + dh,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Messages of a window whose monitor's DPI changed (numbers, for SDKs that lack them): a
// top-level window gets the first, a child of a per-monitor aware window the last.
const UINT kDpiChangedMessage = 0x02E0;
const UINT kDpiChangedAfterParentMessage = 0x02E3;
const double kDefaultDpi = 96.0;

// The DPI a window draws at as the system sees it: the monitor's for a per-monitor aware
// host, the system's for a system-aware one, 96 for a host Windows scales itself (its
// windows are enlarged by the system, so the editor stays at 1x inside them). The
// functions of newer Windows versions are looked up by name; older ones fall back to the
// window's device context. hwnd may be null: the system's DPI.
double WindowDpi(HWND hwnd) {
  typedef UINT(WINAPI * DpiForWindow)(HWND);
  typedef UINT(WINAPI * DpiForSystem)();
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32) {
    if (hwnd) {
      DpiForWindow forWindow =
          reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
      if (forWindow) {
        const UINT dpi = forWindow(hwnd);
        if (dpi > 0) return dpi;
      }
    } else {
      DpiForSystem forSystem =
          reinterpret_cast<DpiForSystem>(reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForSystem")));
      if (forSystem) {
        const UINT dpi = forSystem();
        if (dpi > 0) return dpi;
      }
    }
  }
  HDC dc = GetDC(hwnd);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
  if (dc) ReleaseDC(hwnd, dc);
  return dpi > 0 ? dpi : kDefaultDpi;
}

bool IsPlainChild(HWND hwnd) {
  const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrA(hwnd, GWL_EXSTYLE);
  return (style & WS_CHILD) && !(exStyle & WS_EX_MDICHILD);
}

}  // namespace

IGraphicsHwnd::IGraphicsHwnd(IPlugBase* owner, int width, int height, int frameRate)
    : IGraphics(owner, width, height, frameRate),
      mHInstance(PluginModuleInstance()),
      mPlugWnd(nullptr),
      mTooltipWnd(nullptr),
      mEntryWnd(nullptr),
      mEntryControl(nullptr),
      mEntryParam(nullptr),
      mEntryPrevProc(nullptr),
      mEntryState(kEntryIdle),
      mShowingTooltip(false),
      mTooltipIndex(-1),
      mGestureEndTicks(0),
      mCustomColors(nullptr),
      mParentWnd(nullptr),
      mEntryFont(nullptr),
      mEntryIsList(false),
      mResizePending(false) {
  // The size the host asks for before the window opens follows the system's DPI; the
  // parent's monitor decides once the window opens.
  SetDesktopScale(WindowDpi(nullptr) / kDefaultDpi, /*notify=*/false);
}

IGraphicsHwnd::~IGraphicsHwnd() {
  DetachFromParentWindow();
  delete[] mCustomColors;
}

int IGraphicsHwnd::OpenWindowCount() { return g_openWindows; }

int IGraphicsHwnd::TimerPeriodMs() { return 1000 / (g_frameRate > 0 ? g_frameRate : 24); }

// ---------------------------------------------------------------------------------------
// Window lifecycle

void* IGraphicsHwnd::AttachToParentWindow(void* parent) {
  HWND parentWnd = static_cast<HWND>(parent);
  // The DPI of the monitor the host's window is on (the host calls this with the plug-in
  // lock held).
  if (parentWnd) SetDesktopScale(WindowDpi(parentWnd) / kDefaultDpi);
  mResizePending = false;
  int x = 0, y = 0, w = Width(), h = Height();
  if (mPlugWnd) {
    // Re-parenting: the window keeps its size and its place relative to the parent.
    RECT parentRect, ownRect;
    if (parentWnd && GetWindowRect(parentWnd, &parentRect) && GetWindowRect(mPlugWnd, &ownRect)) {
      x = ownRect.left - parentRect.left;
      y = ownRect.top - parentRect.top;
      w = ownRect.right - ownRect.left;
      h = ownRect.bottom - ownRect.top;
    }
    DetachFromParentWindow();
  }
  mParentWnd = parentWnd;

  if (g_openWindows++ == 0) {
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = EditorWindowProc;
    wc.hInstance = mHInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClassName;
    RegisterClassA(&wc);
  }

  g_frameRate = FrameRate();
  HWND created = CreateWindowA(kWindowClassName, "IPlug", WS_CHILD | WS_VISIBLE, x, y, w, h,
                               parentWnd, nullptr, mHInstance, this);
  if (!created) {
    mPlugWnd = nullptr;
    if (--g_openWindows == 0) UnregisterClassA(kWindowClassName, mHInstance);
    return nullptr;
  }
  mPlugWnd = created;
  MarkAllControlsDirty();
  SetWorksOutsidePluginLock(true);
  // Tooltips are never enabled in this plug-in: no tooltip window is made.
  return mPlugWnd;
}

void IGraphicsHwnd::DetachFromParentWindow() {
  if (!mPlugWnd) return;
  if (mTooltipWnd) DestroyWindow(mTooltipWnd);
  mTooltipWnd = nullptr;
  mShowingTooltip = false;
  mTooltipIndex = -1;

  // Edits still queued go out, and the controls work directly with the plug-in again.
  SettleQueuedEdits(true);
  {
    MutexGuard guard(mPlug ? mPlug->PluginLock() : nullptr);
    SetWorksOutsidePluginLock(false);
    // A wheel gesture still waiting for its end gets it now, before the window goes.
    if (mGestureEndTicks) {
      mGestureEndTicks = 0;
      if (mPlug) mPlug->FlushPendingParamEdit();
    }
  }

  HWND window = mPlugWnd;
  // The popup goes with its parent window; its own procedure must see its destruction.
  if (mEntryWnd && mEntryPrevProc) {
    SetWindowLongPtrA(mEntryWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEntryPrevProc));
  }
  KillTimer(window, kRedrawTimerId);
  mPlugWnd = nullptr;
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
  mEntryWnd = nullptr;
  mEntryControl = nullptr;
  mEntryParam = nullptr;
  mEntryPrevProc = nullptr;
  mEntryState = kEntryIdle;
  if (mEntryFont) DeleteObject(mEntryFont);
  mEntryFont = nullptr;

  if (--g_openWindows == 0) UnregisterClassA(kWindowClassName, mHInstance);
}

// ---------------------------------------------------------------------------------------
// Messages

LRESULT CALLBACK IGraphicsHwnd::EditorWindowProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                 LPARAM lParam) {
  if (msg == WM_CREATE) {
    const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    IGraphicsHwnd* self = static_cast<IGraphicsHwnd*>(cs ? cs->lpCreateParams : nullptr);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (!self) return 0;
    self->mPlugWnd = hwnd;
    SetTimer(hwnd, kRedrawTimerId, static_cast<UINT>(TimerPeriodMs()), nullptr);
    self->FocusForHost();
    return 0;
  }
  IGraphicsHwnd* self = reinterpret_cast<IGraphicsHwnd*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || hwnd != self->mPlugWnd) return DefWindowProcA(hwnd, msg, wParam, lParam);
  return self->HandleEditorMessage(hwnd, msg, wParam, lParam);
}

void IGraphicsHwnd::TradeWithPlugin(bool tick) {
  if (!WorksOutsidePluginLock()) return;
  {
    MutexGuard guard(mPlug ? mPlug->PluginLock() : nullptr);
    ExchangeWithPlugin();
    if (tick && mGestureEndTicks) {
      if (--mGestureEndTicks == 0 && mPlug) mPlug->FlushPendingParamEdit();
    }
  }
  ApplyExchangedValues();
}

LRESULT IGraphicsHwnd::HandleEditorMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = HandleWindowMessage(hwnd, msg, wParam, lParam);
  // Edits made while handling input reach the plug-in (and the host) right away, not at
  // the next tick.
  if (HasQueuedEdits()) TradeWithPlugin(false);
  return result;
}

LRESULT IGraphicsHwnd::HandleWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      RECT r;
      if (GetUpdateRect(hwnd, &r, FALSE)) {
        TradeWithPlugin(false);
        IRECT ir(r.left, r.top, r.right, r.bottom);
        RenderArea(&ir);
        // Nothing presented (no controls yet): the area must still be validated, or the
        // window would be asked to paint forever.
        if (GetUpdateRect(hwnd, nullptr, FALSE)) {
          PAINTSTRUCT ps;
          BeginPaint(hwnd, &ps);
          EndPaint(hwnd, &ps);
        }
      }
      return 0;
    }
    case WM_CLOSE:
      DetachFromParentWindow();
      return 0;
    case WM_MOUSEACTIVATE:
      FocusForHost();
      return MA_ACTIVATE;
    case WM_KEYDOWN: {
      const int key = EditorKeyFor(wParam);
      if (key >= 0) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(hwnd, &p);
        KeyPressed(p.x, p.y, key);
      }
      return 0;
    }
    case WM_TIMER:
      if (wParam == kRedrawTimerId) {
        OnTimerTick();
        return 0;
      }
      break;
    case WM_MOUSEMOVE: {
      const int x = SignedLow(lParam), y = SignedHigh(lParam);
      const IMouseMod mod = ModFromKeyState(wParam);
      if (wParam & (MK_LBUTTON | MK_RBUTTON)) {
        if (GetCapture() == hwnd) MouseDragged(x, y, &mod);
        return 0;
      }
      if (MouseHovered(x, y, &mod)) {
        TRACKMOUSEEVENT tme;
        ZeroMemory(&tme, sizeof(tme));
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = hwnd;
        TrackMouseEvent(&tme);
      }
      if (ShowTooltips()) {
        const int index = ControlIndexAt(ToUnits(x), ToUnits(y));
        if (index != mTooltipIndex) {
          mTooltipIndex = index;
          HideTooltip();
          if (index >= 0) {
            TRACKMOUSEEVENT tme;
            ZeroMemory(&tme, sizeof(tme));
            tme.cbSize = sizeof(tme);
            tme.dwFlags = TME_HOVER;
            tme.hwndTrack = hwnd;
            tme.dwHoverTime = HOVER_DEFAULT;
            TrackMouseEvent(&tme);
          }
        }
      }
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      ReleaseCapture();
      const IMouseMod mod = ModFromKeyState(wParam);
      MouseReleased(SignedLow(lParam), SignedHigh(lParam), &mod);
      return 0;
    }
    case WM_LBUTTONDBLCLK: {
      const IMouseMod mod = ModFromKeyState(wParam);
      if (MouseDoubleClicked(SignedLow(lParam), SignedHigh(lParam), &mod)) SetCapture(hwnd);
      return 0;
    }
    case WM_RBUTTONDOWN:
      if (mEntryWnd) {
        // A right click only cancels the open entry.
        mEntryState = kEntryCancel;
        return 0;
      }
      // Otherwise a right press is a press.
      [[fallthrough]];
    case WM_LBUTTONDOWN: {
      HideTooltip();
      if (mEntryWnd) mEntryState = kEntryCommit;
      SetCapture(hwnd);
      const IMouseMod mod = ModFromKeyState(wParam);
      MousePressed(SignedLow(lParam), SignedHigh(lParam), &mod);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      POINT p = {SignedLow(lParam), SignedHigh(lParam)};  // screen coordinates
      RECT r;
      GetWindowRect(hwnd, &r);
      const IMouseMod mod = ModFromKeyState(GET_KEYSTATE_WPARAM(wParam));
      const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      MouseWheeled(p.x - r.left, p.y - r.top, &mod, notches);
      return 0;
    }
    case WM_MOUSEHOVER:
      // Tooltips are never enabled here; nothing to show.
      return 0;
    case WM_MOUSELEAVE:
      HideTooltip();
      MouseLeftEditor();
      return 0;
    case kDpiChangedMessage:
    case kDpiChangedAfterParentMessage:
      // The window went to a monitor of another DPI (or the host's did): the editor
      // follows the monitor, then resizes its window.
      {
        MutexGuard guard(mPlug ? mPlug->PluginLock() : nullptr);
        SetDesktopScale((msg == kDpiChangedMessage ? LOWORD(wParam)
                                                   : WindowDpi(mParentWnd ? mParentWnd : hwnd)) /
                        kDefaultDpi);
      }
      ApplyPendingResize();
      return 0;
    case WM_COMMAND:
      // A drop-down list reports a chosen item to its parent: commit at the next tick.
      if (mEntryWnd && mEntryIsList && reinterpret_cast<HWND>(lParam) == mEntryWnd &&
          HIWORD(wParam) == CBN_SELCHANGE) {
        mEntryState = kEntryCommit;
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void IGraphicsHwnd::FocusForHost() {
  if (mPlugWnd && mPlug && mPlug->HostCode() == kHostNeedingFocus) SetFocus(mPlugWnd);
}

void IGraphicsHwnd::ScaleChanged() {
  // The window follows at the next tick (or at once after a DPI message), on this thread
  // without the plug-in lock.
  if (mPlugWnd) mResizePending = true;
}

void IGraphicsHwnd::ApplyPendingResize() {
  if (!mResizePending || !mPlugWnd) return;
  mResizePending = false;
  // An entry placed at the old scale is dropped.
  if (mEntryWnd) {
    IControl* control = mEntryControl;
    CloseEntryPopup();
    if (control) control->FinishValueEntry();
  }
  SetWindowPos(mPlugWnd, nullptr, 0, 0, Width(), Height(),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(mPlugWnd, nullptr, FALSE);
}

void IGraphicsHwnd::OnTimerTick() {
  ApplyPendingResize();
  if (mEntryWnd) {
    if (mEntryState == kEntryFocused) {
      mEntryState = kEntryIdle;
    } else if (mEntryState == kEntryCommit || mEntryState == kEntryCancel) {
      if (mEntryState == kEntryCommit) {
        char text[1001];
        text[0] = 0;
        GetWindowTextA(mEntryWnd, text, sizeof(text));
        text[sizeof(text) - 1] = 0;
        CommitEnteredText(mEntryControl, mEntryParam, text);
      }
      IControl* control = mEntryControl;
      CloseEntryPopup();
      if (control) control->FinishValueEntry();
    }
  }

  // Values and edits are traded before drawing; the countdown runs on the tick as before
  // (the countdown's end sends the deferred end of a wheel edit).
  TradeWithPlugin(true);

  IRECT dirty;
  if (mPlugWnd && CollectDirtyArea(&dirty)) {
    RECT r = {dirty.L, dirty.T, dirty.R, dirty.B};
    InvalidateRect(mPlugWnd, &r, FALSE);
    if (mEntryWnd) {
      // The popup lies over the editor; painting under it would flicker through.
      RECT popup;
      GetClientRect(mEntryWnd, &popup);
      MapWindowPoints(mEntryWnd, mPlugWnd, reinterpret_cast<POINT*>(&popup), 2);
      ValidateRect(mPlugWnd, &popup);
    }
    UpdateWindow(mPlugWnd);
  }
  // The editor works on the host's thread here: edits the adapter defers may go out now.
  if (mPlug) mPlug->HandleEditorIdle();
}

bool IGraphicsHwnd::PresentToScreen(const IRECT* r) {
  if (!mPlugWnd || !r) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(mPlugWnd, &ps);
  LICE_SysBitmap* bitmap = DrawBitmap();
  HDC source = bitmap ? static_cast<HDC>(bitmap->DeviceContext()) : nullptr;
  if (dc && source) {
    GdiFlush();
    BitBlt(dc, r->L, r->T, r->W(), r->H(), source, r->L, r->T, SRCCOPY);
  }
  EndPaint(mPlugWnd, &ps);
  return true;
}

// ---------------------------------------------------------------------------------------
// Value entry

void IGraphicsHwnd::AdoptEntryPopup(HWND popup, HFONT font, IControl* control, IParam* param,
                                    bool isList) {
  mEntryWnd = popup;
  mEntryControl = control;
  mEntryParam = param;
  mEntryIsList = isList;
  mEntryFont = font;
  mEntryState = kEntryIdle;
  // The subclass first: the focus change below already counts as "has focus".
  mEntryPrevProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(popup, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EntryPopupProc)));
  if (font) SendMessageA(popup, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetFocus(popup);
}

void IGraphicsHwnd::CloseEntryPopup() {
  if (mEntryWnd) {
    if (mEntryPrevProc) {
      SetWindowLongPtrA(mEntryWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEntryPrevProc));
    }
    DestroyWindow(mEntryWnd);
  }
  if (mEntryFont) DeleteObject(mEntryFont);
  mEntryFont = nullptr;
  mEntryWnd = nullptr;
  mEntryControl = nullptr;
  mEntryParam = nullptr;
  mEntryPrevProc = nullptr;
  mEntryIsList = false;
  mEntryState = kEntryIdle;
}

void IGraphicsHwnd::BeginParamValueEntry(IControl* control, IParam* param) {
  if (mEntryWnd || !control || !param || !mPlugWnd) return;
  // At the control's place in pixels, every length and the font at the editor's scale.
  const IRECT rect = ToPixels(control->Rect());
  const int cx = static_cast<int>((rect.L + rect.R) * 0.5);
  const int cy = static_cast<int>((rect.T + rect.B) * 0.5);
  char current[IParam::kFormatBufferSize];
  current[0] = 0;
  double shown = 0.0;
  if (ShownParamValue(control->ParamIdx(), &shown)) {
    param->FormatForHost(shown, false, current, sizeof(current));
  }

  HWND popup = nullptr;
  const bool isList = (param->Kind() == KindEnum || param->Kind() == KindBool) &&
                      param->DisplayTextCount() > 0;
  if (isList) {
    // The entries in value order (the display-text table follows it).
    const int lowest = static_cast<int>(param->Lowest());
    const int highest = static_cast<int>(param->Highest());
    int count = 0, longest = 0;
    for (int v = lowest; v <= highest; ++v) {
      const char* text = param->DisplayTextFor(v);
      if (!text || !*text) continue;
      ++count;
      const int n = static_cast<int>(strlen(text));
      if (n > longest) longest = n;
    }
    int w = 8 * longest + 24;
    if (w < 24) w = 24;
    w = ToPixels(w);
    const int h = ToPixels(36 * (count + 1));
    popup = CreateWindowA("COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST,
                          cx - w / 2, cy, w, h, mPlugWnd,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryPopupId)),
                          mHInstance, nullptr);
    if (!popup) return;
    int selected = -1, item = 0;
    for (int v = lowest; v <= highest; ++v) {
      const char* text = param->DisplayTextFor(v);
      if (!text || !*text) continue;
      SendMessageA(popup, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      if (strcmp(text, current) == 0) selected = item;
      ++item;
    }
    if (selected >= 0) SendMessageA(popup, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  } else {
    char widest[IParam::kFormatBufferSize];
    param->FormatForHost(1.0, true, widest, sizeof(widest));
    int w = 7 * static_cast<int>(strlen(widest)) + 6;
    if (w < 32) w = 32;
    w = ToPixels(w);
    const int h = ToPixels(16);
    popup = CreateWindowA("EDIT", current, WS_CHILD | WS_VISIBLE | ES_CENTER | ES_MULTILINE,
                          cx - w / 2, cy - h / 2, w, h, mPlugWnd,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryPopupId)),
                          mHInstance, nullptr);
    if (!popup) return;
    SendMessageA(popup, EM_SETSEL, 0, -1);
  }
  HFONT font = CreateFontA(ToPixels(14), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH, "Arial");
  AdoptEntryPopup(popup, font, control, param, isList);
}

void IGraphicsHwnd::BeginTextControlEditing(IEditableTextControl* control) {
  if (mEntryWnd || !control || !mPlugWnd) return;
  const IRECT rect = ToPixels(control->Rect());
  const IText& style = control->TextStyle();
  DWORD align = ES_CENTER;
  if (style.mAlign == kTextAlignLeft) align = ES_LEFT;
  else if (style.mAlign == kTextAlignRight) align = ES_RIGHT;
  const DWORD windowStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | align |
                            (control->Editable() ? 0 : ES_READONLY);
  const char* text = control->Text();
  HWND popup = CreateWindowA("EDIT", text ? text : "", windowStyle, rect.L, rect.T, rect.W(),
                             rect.H(), mPlugWnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryPopupId)),
                             mHInstance, nullptr);
  if (!popup) return;
  SendMessageA(popup, EM_SETSEL, 0, -1);
  HFONT font = CreateFontA(ToPixels(style.mSize), 0, 0, 0, style.mStyle == kTextStyleBold ? FW_BOLD : FW_DONTCARE,
                           style.mStyle == kTextStyleItalic ? TRUE : FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH, style.mFont);
  AdoptEntryPopup(popup, font, control, nullptr, false);
}

LRESULT CALLBACK IGraphicsHwnd::EntryPopupProc(HWND hwnd, UINT msg, WPARAM wParam,
                                               LPARAM lParam) {
  IGraphicsHwnd* self =
      reinterpret_cast<IGraphicsHwnd*>(GetWindowLongPtrA(GetParent(hwnd), GWLP_USERDATA));
  if (!self || hwnd != self->mEntryWnd || !self->mEntryPrevProc) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  self->HideTooltip();
  switch (msg) {
    case WM_SETFOCUS:
      self->mEntryState = kEntryFocused;
      break;
    case WM_KILLFOCUS:
      self->mEntryState = kEntryIdle;
      break;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        if (!self->mEntryIsList) SendMessageA(hwnd, EM_SETSEL, static_cast<WPARAM>(-1), 0);
        self->mEntryState = kEntryCommit;
        return 0;
      }
      self->mEntryState = kEntryFocused;
      break;
    case WM_COMMAND:
      if (self->mEntryIsList && HIWORD(wParam) == 1) {  // the list's selection changed
        self->mEntryState = kEntryCommit;
        return 0;
      }
      break;
    case WM_GETDLGCODE: {
      LRESULT code = CallWindowProcA(self->mEntryPrevProc, hwnd, msg, wParam, lParam);
      const MSG* asked = reinterpret_cast<const MSG*>(lParam);
      // Enter belongs to a text field, not to a host dialog around the editor.
      if (!self->mEntryParam && asked && asked->message == WM_KEYDOWN && wParam == VK_RETURN) {
        code |= DLGC_WANTALLKEYS;
      }
      return code;
    }
    default:
      break;
  }
  return CallWindowProcA(self->mEntryPrevProc, hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------------
// Tooltips (never enabled in this plug-in; the hide paths stay harmless)

void IGraphicsHwnd::HideTooltip() {
  if (mShowingTooltip && mTooltipWnd) {
    TOOLINFOA ti;
    ZeroMemory(&ti, sizeof(ti));
    ti.cbSize = sizeof(ti);
    ti.hwnd = mPlugWnd;
    ti.uId = reinterpret_cast<UINT_PTR>(mPlugWnd);
    ti.lpszText = nullptr;
    SendMessageA(mTooltipWnd, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
  }
  mShowingTooltip = false;
}

void IGraphicsHwnd::ResetTooltip() {
  if (!ShowTooltips()) HideTooltip();
}

// ---------------------------------------------------------------------------------------
// Sizes, paths, dialogs, web, wheel, images

void IGraphicsHwnd::ChangeEditorSize(int width, int height) {
  const int oldW = Width(), oldH = Height();
  IGraphics::ChangeEditorSize(width, height);
  const int dw = Width() - oldW, dh = Height() - oldH;
  if (DrawBitmap()) DrawBitmap()->SetSize(Width(), Height());
  if (!mPlugWnd) return;
  RECT oldClient;
  GetClientRect(mPlugWnd, &oldClient);
  ResizeWindowBy(mPlugWnd, dw, dh);
  if (IsPlainChild(mPlugWnd)) {
    HWND parent = GetParent(mPlugWnd);
    ResizeWindowBy(parent, dw, dh);
    if (parent && IsPlainChild(parent)) ResizeWindowBy(GetParent(parent), dw, dh);
  }
  InvalidateRect(mPlugWnd, &oldClient, FALSE);
}

void IGraphicsHwnd::GetHostExecutablePath(WDL_String* path) { ModuleFolder(nullptr, path); }

void IGraphicsHwnd::GetPluginModulePath(WDL_String* path) { ModuleFolder(mHInstance, path); }

void IGraphicsHwnd::AskForFileName(WDL_String* fileName, int action, const char* initialFolder,
                                   const char* extensions) {
  if (!fileName) return;
  if (!HasOpenWindow()) {
    fileName->Assign("", 0);
    return;
  }
  char name[256];
  snprintf(name, sizeof(name), "%s", fileName->Text());

  // "png jpg" -> "*.png;*.jpg", used as both description and pattern; default extension
  // is the first one.
  char filter[1024];
  char defaultExt[64] = {0};
  size_t pos = 0;
  const char* p = extensions ? extensions : "";
  bool first = true;
  while (*p) {
    while (*p == ' ') ++p;
    const char* start = p;
    while (*p && *p != ' ') ++p;
    const size_t n = static_cast<size_t>(p - start);
    if (!n) continue;
    if (first) snprintf(defaultExt, sizeof(defaultExt), "%.*s", static_cast<int>(n), start);
    const int written = snprintf(filter + pos, sizeof(filter) - pos, "%s*.%.*s",
                                 first ? "" : ";", static_cast<int>(n), start);
    if (written < 0 || pos + static_cast<size_t>(written) >= sizeof(filter) / 2 - 2) break;
    pos += static_cast<size_t>(written);
    first = false;
  }
  filter[pos] = 0;
  // Description, then pattern, then the double terminator.
  const size_t half = pos + 1;
  memcpy(filter + half, filter, pos + 1);
  filter[half + pos + 1] = 0;

  OPENFILENAMEA ofn;
  ZeroMemory(&ofn, sizeof(ofn));
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = mPlugWnd;
  ofn.lpstrFilter = pos ? filter : nullptr;
  ofn.lpstrFile = name;
  ofn.nMaxFile = sizeof(name);
  ofn.lpstrInitialDir = (initialFolder && *initialFolder) ? initialFolder : nullptr;
  ofn.lpstrDefExt = defaultExt[0] ? defaultExt : nullptr;
  BOOL ok;
  if (action == 1) {
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    ok = GetSaveFileNameA(&ofn);
  } else {
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    ok = GetOpenFileNameA(&ofn);
  }
  fileName->Assign(ok ? name : "", 0);
}

bool IGraphicsHwnd::AskForColor(IColor* color, const char* prompt) {
  if (!color || !mPlugWnd) return false;
  if (!mCustomColors) {
    mCustomColors = new (std::nothrow) COLORREF[16];
    if (!mCustomColors) return false;
    for (int i = 0; i < 16; ++i) mCustomColors[i] = 0;
  }
  CHOOSECOLORA cc;
  ZeroMemory(&cc, sizeof(cc));
  cc.lStructSize = sizeof(cc);
  cc.hwndOwner = mPlugWnd;
  cc.rgbResult = RGB(color->R, color->G, color->B);
  cc.lpCustColors = mCustomColors;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR | CC_ENABLEHOOK;
  cc.lpfnHook = ColorDialogHook;
  cc.lCustData = reinterpret_cast<LPARAM>(prompt);
  if (!ChooseColorA(&cc)) return false;
  color->R = GetRValue(cc.rgbResult);
  color->G = GetGValue(cc.rgbResult);
  color->B = GetBValue(cc.rgbResult);
  return true;
}

bool IGraphicsHwnd::OpenWebAddress(const char* address, const char* caption,
                                   const char* confirmation, const char* errorText) {
  if (confirmation &&
      MessageBoxA(mPlugWnd, confirmation, caption, MB_YESNO) != IDYES) {
    return false;
  }
  DWORD connection = 0;
  if (address && InternetGetConnectedState(&connection, 0)) {
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(mPlugWnd, "open", address, nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) return true;
  }
  if (errorText) MessageBoxA(mPlugWnd, errorText, caption, MB_OK);
  return false;
}

int IGraphicsHwnd::RouteHostWheel(float delta) {
  if (!mPlugWnd) return 0;
  POINT p;
  if (!GetCursorPos(&p) || WindowFromPoint(p) != mPlugWnd) return 0;
  RECT r;
  GetWindowRect(mPlugWnd, &r);
  const IMouseMod mod(false, false, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                      GetKeyState(VK_MENU) < 0);
  // Whole notches; a non-finite or absurd delta from the host counts as none.
  int notches = 0;
  if (std::isfinite(delta) && std::fabs(delta) < 1.0e6f) notches = static_cast<int>(delta);
  MouseWheeled(p.x - r.left, p.y - r.top, &mod, notches);
  // The host's call holds the plug-in lock already: the wheel's edit goes out now.
  if (HasQueuedEdits()) TradeWithPlugin(false);
  return 1;
}

LICE_IBitmap* IGraphicsHwnd::LoadImageResource(int resourceId, const char* fileName) {
  (void)fileName;  // Windows names its images by resource id
  return ReadPngResource(mHInstance, resourceId, nullptr);
}
