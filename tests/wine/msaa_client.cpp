// An MSAA client, as screen readers and automation tools are: starts the program given, reads the
// name and role of every control through AccessibleObjectFromWindow, and follows the focus with a
// WinEvent hook while a picture takes it. Exits 0 when all of it is as a user of those tools needs.

#include <windows.h>
#include <oleacc.h>
#include <servprov.h>

#include <cstdio>
#include <map>
#include <string>

#include "client_checks.h"
#include "ui/controls.h"

namespace {

using hv::ui::ControlId;
using namespace hv::wine_clients;

// oleacc's import library gives IID_IAccessible as an import thunk, not the GUID, once linked statically.
constexpr IID kAccessible{0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// What UI Automation asks an MSAA object to learn whether it is oleacc's stand-in for a control
// with no object of its own, which it then reads in its own way, without the design's names.
constexpr GUID kIsOleaccProxy{0x902697fa, 0x80e4, 0x4560, {0x80, 0x2a, 0xa1, 0x3f, 0x22, 0xa6, 0x47, 0x09}};

// The control's object is one object whichever of its interfaces a client holds: back from
// IOleWindow or IEnumVARIANT it is the same IUnknown with the same name, and it never says it is
// oleacc's stand-in.
void expect_one_object(IAccessible* accessible, HWND control, const std::wstring& name, const std::wstring& said) {
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  IUnknown* identity = nullptr;
  accessible->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&identity));
  IOleWindow* window = nullptr;
  expect(SUCCEEDED(accessible->QueryInterface(__uuidof(IOleWindow), reinterpret_cast<void**>(&window))) && window,
         name + L" tells its window");
  if (window) {
    HWND told = nullptr;
    expect(window->GetWindow(&told) == S_OK && told == control, name + L"'s IOleWindow tells the control");
  }
  IEnumVARIANT* children = nullptr;
  accessible->QueryInterface(__uuidof(IEnumVARIANT), reinterpret_cast<void**>(&children));
  for (IUnknown* other : {static_cast<IUnknown*>(window), static_cast<IUnknown*>(children)}) {
    if (!other) continue;
    IUnknown* back = nullptr;
    other->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&back));
    expect(back && back == identity, name + L": back to IUnknown is the same object");
    IAccessible* again = nullptr;
    BSTR spoken = nullptr;
    expect(SUCCEEDED(other->QueryInterface(kAccessible, reinterpret_cast<void**>(&again))) && again &&
               again->get_accName(self, &spoken) == S_OK && spoken && std::wstring(spoken) == said,
           name + L": back to IAccessible keeps its name");
    SysFreeString(spoken);
    if (again) again->Release();
    if (back) back->Release();
    other->Release();
  }
  // A script's late-bound call, as VBScript's acc.accName makes it: the member looked up by name
  // and called with its optional argument left out, hears the same name.
  wchar_t member[] = L"accName";
  LPOLESTR members[] = {member};
  DISPID id = 0;
  VARIANT result{};
  DISPPARAMS none{};
  expect(accessible->GetIDsOfNames(IID_NULL, members, 1, LOCALE_USER_DEFAULT, &id) == S_OK && id == DISPID_ACC_NAME &&
             accessible->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                nullptr) == S_OK &&
             result.vt == VT_BSTR && result.bstrVal && std::wstring(result.bstrVal) == said,
         name + L" is named through IDispatch too, by a script");
  VariantClear(&result);
  IServiceProvider* services = nullptr;
  if (SUCCEEDED(accessible->QueryInterface(__uuidof(IServiceProvider), reinterpret_cast<void**>(&services))) && services) {
    IUnknown* proxy = nullptr;
    const HRESULT answered = services->QueryService(kIsOleaccProxy, __uuidof(IUnknown), reinterpret_cast<void**>(&proxy));
    expect(FAILED(answered) || !proxy, name + L" never answers as oleacc's proxy");
    if (proxy) proxy->Release();
    services->Release();
  }
  if (identity) identity->Release();
}

// The names a screen reader must speak, as the user reads them on the window.
const std::map<std::string, std::wstring> kNames{
    {"EXIT_BUTTON", L"EXIT"},
    {"AlwaysOnTop_TICKBOX", L"Always On Top"},
    {"APP_NAME_TEXTBOX", L"MY PROCESS NAME IS:-"},
    {"NAME_LABEL_TEXTBOX", L"MY PROCESS NAME IS:-"},
    {"PIC_WEBLINK_TEXTBOX", L"Picture: drawn for HV_TEST_PROCESS, part of this program"},
    {"THUMBS_UP_PIC_1", L"Thumbs up, left"},
    {"THUMBS_UP_PIC_2", L"Thumbs up, right"},
    {"HV_TITLE_1", L"HALVERD"},
    {"CREATOR_TEXTBOX", L"Created By Malvoric"},
    {"VERSION_TEXTBOX", L"Version 1.0"},
    {"FREEWARE_TEXTBOX", L"!!! FREEWARE !!!"},
    {"Label1", L"TEST-PROCESS"},
};

const std::map<std::string, long> kRoles{
    {"EXIT_BUTTON", ROLE_SYSTEM_PUSHBUTTON}, {"AlwaysOnTop_TICKBOX", ROLE_SYSTEM_CHECKBUTTON},
    {"APP_NAME_TEXTBOX", ROLE_SYSTEM_TEXT},  {"THUMBS_UP_PIC_1", ROLE_SYSTEM_GRAPHIC},
    {"THUMBS_UP_PIC_2", ROLE_SYSTEM_GRAPHIC}, {"HV_TITLE_1", ROLE_SYSTEM_STATICTEXT},
    {"NAME_LABEL_TEXTBOX", ROLE_SYSTEM_STATICTEXT},
};

// The window makes its controls with the design's order as their ids, from 100.
std::string design_name(HWND control) {
  const int id = GetDlgCtrlID(control) - 100;
  if (id < 0 || id >= static_cast<int>(hv::ui::controls().size())) return "";
  return std::string(hv::ui::control(static_cast<ControlId>(id)).name);
}

HWND focused_by_event = nullptr;

void CALLBACK on_focus(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
  if (object == OBJID_CLIENT && child == CHILDID_SELF) focused_by_event = window;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  StartedProgram started;
  if (!start_program(argv[1], started)) return 2;
  HWND window = started.window;
  const PROCESS_INFORMATION& process = started.process;
  if (!window) return 1;

  int named = 0;
  HWND picture = nullptr;
  for (HWND control = GetWindow(window, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
    const std::string name = design_name(control);
    const std::wstring wide_name(name.begin(), name.end());
    IAccessible* accessible = nullptr;
    const HRESULT found = AccessibleObjectFromWindow(control, OBJID_CLIENT, kAccessible,
                                                     reinterpret_cast<void**>(&accessible));
    if (FAILED(found)) {
      expect(false, L"an accessible object for " + wide_name + L": " + std::to_wstring(found));
      continue;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR spoken = nullptr;
    const bool has_name = accessible->get_accName(self, &spoken) == S_OK && spoken && SysStringLen(spoken) > 0;
    const std::wstring said = has_name ? std::wstring(spoken, SysStringLen(spoken)) : L"";
    std::wprintf(L"%-22hs %ls\n", name.c_str(), said.c_str());
    if (has_name) ++named;
    const auto expected = kNames.find(name);
    expect(expected != kNames.end() && expected->second == said, wide_name + L" is named as the user reads it");
    VARIANT role{};
    if (const auto wanted = kRoles.find(name); wanted != kRoles.end()) {
      expect(accessible->get_accRole(self, &role) == S_OK && role.vt == VT_I4 && role.lVal == wanted->second,
             wide_name + L" has its role");
    }
    expect_one_object(accessible, control, wide_name, said);
    if (name == "THUMBS_UP_PIC_1") {
      picture = control;
      BSTR description = nullptr;
      expect(accessible->get_accDescription(self, &description) == S_OK && description &&
                 std::wstring(description) == L"A hand with its thumb raised",
             L"the picture describes what it shows");
      SysFreeString(description);
    }
    SysFreeString(spoken);
    accessible->Release();
  }
  expect(named == 12, L"all 12 controls named");

  // The picture takes the keyboard as a click gives it, and says so.
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, on_focus,
                                       process.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
  expect(hook != nullptr, L"a focus hook");
  if (picture) {
    RECT box;
    GetClientRect(picture, &box);
    PostMessageW(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.right / 2, box.bottom / 2));
    PostMessageW(picture, WM_LBUTTONUP, 0, MAKELPARAM(box.right / 2, box.bottom / 2));
  }
  const DWORD start = GetTickCount();
  while (focused_by_event != picture && GetTickCount() - start < 30000) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  expect(picture && focused_by_event == picture, L"the picture announced focused");
  if (hook) UnhookWinEvent(hook);

  PostMessageW(window, WM_CLOSE, 0, 0);
  WaitForSingleObject(process.hProcess, 30000);
  CoUninitialize();
  return failures == 0 ? 0 : 1;
}
