// A UI Automation client, as FlaUI, pywinauto's uia backend and WinAppDriver are: starts the
// program given, finds every control by the name the user reads, the tick box and EXIT by name and
// control type, toggles the box and invokes EXIT. Exits 0 when all of it works, 77 (skipped)
// where the system has no UI Automation client to offer, as Wine has not.
//
// Debian's mingw-w64 headers do not declare the UI Automation client interfaces, so the few methods
// this client calls are called by their slots in the system's interfaces.

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "client_checks.h"

namespace {

using namespace hv::wine_clients;

constexpr int kSkipped = 77;
constexpr CLSID kAutomationClass{0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
constexpr IID kAutomation{0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};
constexpr IID kTogglePattern{0x94cf8058, 0x9b8d, 0x4ab9, {0x8b, 0xfd, 0x4c, 0xd0, 0xa3, 0x3c, 0x8c, 0x70}};
constexpr IID kInvokePattern{0xfb377fbe, 0x8ea6, 0x46d5, {0x9c, 0x73, 0x64, 0x99, 0x64, 0x2d, 0x30, 0x59}};
constexpr int kTreeScopeDescendants = 4, kInvokePatternId = 10000, kTogglePatternId = 10015;
constexpr int kNameProperty = 30005, kControlTypeProperty = 30003, kButton = 50000, kCheckBox = 50002;

// The slots of the methods called, each counted from the interface's start (IUnknown's three first).
enum Slot {
  kElementFromHandle = 6, kCreatePropertyCondition = 23, kCreateAndCondition = 25,  // IUIAutomation
  kFindFirst = 5, kGetCurrentPattern = 16,                                          // IUIAutomationElement
  kToggle = 3, kCurrentToggleState = 4,                                             // IUIAutomationTogglePattern
  kInvoke = 3,                                                                      // IUIAutomationInvokePattern
};

template <class... Arguments>
HRESULT call(IUnknown* object, Slot slot, Arguments... arguments) {
  using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Arguments...);
  return (*reinterpret_cast<Method**>(object))[slot](object, arguments...);
}

using Automation = IUnknown;
using Element = IUnknown;
using Condition = IUnknown;

Condition* named(Automation* automation, const wchar_t* name, int control_type = 0) {
  VARIANT text{};
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(name);
  Condition* by_name = nullptr;
  call(automation, kCreatePropertyCondition, kNameProperty, text, &by_name);
  VariantClear(&text);
  if (!control_type || !by_name) return by_name;
  VARIANT type{};
  type.vt = VT_I4;
  type.lVal = control_type;
  Condition *by_type = nullptr, *both = nullptr;
  call(automation, kCreatePropertyCondition, kControlTypeProperty, type, &by_type);
  if (by_type) call(automation, kCreateAndCondition, by_name, by_type, &both);
  by_name->Release();
  if (by_type) by_type->Release();
  return both;
}

Element* find(Automation* automation, Element* window, const wchar_t* name, int control_type = 0) {
  Condition* condition = named(automation, name, control_type);
  Element* found = nullptr;
  if (condition) call(window, kFindFirst, kTreeScopeDescendants, condition, &found), condition->Release();
  return found;
}

IUnknown* pattern_of(Element* element, int id, const IID& interface_id) {
  IUnknown *found = nullptr, *pattern = nullptr;
  if (element && SUCCEEDED(call(element, kGetCurrentPattern, id, &found)) && found) {
    found->QueryInterface(interface_id, reinterpret_cast<void**>(&pattern));
    found->Release();
  }
  return pattern;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  Automation* automation = nullptr;
  const HRESULT made = CoCreateInstance(kAutomationClass, nullptr, CLSCTX_INPROC_SERVER, kAutomation,
                                        reinterpret_cast<void**>(&automation));
  if (FAILED(made) || !automation) {
    std::wprintf(L"skipped: no UI Automation client on this system (CUIAutomation: 0x%08lx)\n",
                 static_cast<unsigned long>(made));
    return kSkipped;
  }
  StartedProgram started;
  if (!start_program(argv[1], started)) return 2;
  const HWND handle = started.window;
  const PROCESS_INFORMATION& process = started.process;
  Element* window = nullptr;
  expect(handle && SUCCEEDED(call(automation, kElementFromHandle, handle, &window)) && window, L"the program's window read");
  if (!window) return 1;

  for (const wchar_t* name : {L"EXIT", L"Always On Top", L"MY PROCESS NAME IS:-", L"Thumbs up, left",
                              L"Thumbs up, right", L"HALVERD", L"Created By Malvoric", L"Version 1.0",
                              L"!!! FREEWARE !!!", L"TEST-PROCESS"}) {
    Element* control = find(automation, window, name);
    expect(control != nullptr, std::wstring(L"a control named \"") + name + L"\"");
    if (control) control->Release();
  }

  Element* box = find(automation, window, L"Always On Top", kCheckBox);
  IUnknown* toggle = pattern_of(box, kTogglePatternId, kTogglePattern);
  int before = -1, after = -1;
  expect(toggle && call(toggle, kCurrentToggleState, &before) == S_OK && call(toggle, kToggle) == S_OK &&
             call(toggle, kCurrentToggleState, &after) == S_OK && after != before,
         L"the tick box toggled");
  if (toggle) toggle->Release();
  if (box) box->Release();

  Element* exit_button = find(automation, window, L"EXIT", kButton);
  IUnknown* invoke = pattern_of(exit_button, kInvokePatternId, kInvokePattern);
  expect(invoke && call(invoke, kInvoke) == S_OK, L"EXIT invoked");
  DWORD status = STILL_ACTIVE;
  expect(WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &status) &&
             status == 0,
         L"the program ended by EXIT with status 0");
  if (invoke) invoke->Release();
  if (exit_button) exit_button->Release();
  window->Release();
  automation->Release();
  CoUninitialize();
  return failures == 0 ? 0 : 1;
}
