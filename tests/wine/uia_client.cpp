// A UI Automation client, as FlaUI, pywinauto's uia backend and WinAppDriver are: starts the
// program given, finds every control by the name the user reads, the tick box and EXIT by name and
// control type, toggles the box and invokes EXIT. Exits 0 when all of it works, 77 (skipped)
// where the system has no UI Automation client to offer, as Wine has not.
//
// Debian's mingw-w64 headers do not declare the UI Automation client interfaces, so the few this
// client calls are declared here, each method in its slot of the system's interface.

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

struct Condition : IUnknown {};

struct Element : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRuntimeId(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindFirst(int scope, Condition* condition, Element** found) = 0;
};

struct Automation : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CompareElements(void*, void*, BOOL*) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompareRuntimeIds(void*, void*, BOOL*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRootElement(Element**) = 0;
  virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(HWND window, Element** element) = 0;
  // ElementFromPoint to CreateFalseCondition, in their slots; never called.
  virtual HRESULT STDMETHODCALLTYPE slot7() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot8() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot9() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot10() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot11() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot12() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot13() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot14() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot15() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot16() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot17() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot18() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot19() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot20() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot21() = 0;
  virtual HRESULT STDMETHODCALLTYPE slot22() = 0;
  virtual HRESULT STDMETHODCALLTYPE CreatePropertyCondition(int property, VARIANT value, Condition** made) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreatePropertyConditionEx(int, VARIANT, int, Condition**) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateAndCondition(Condition* first, Condition* second, Condition** made) = 0;
};

struct TogglePattern : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Toggle() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CurrentToggleState(int* state) = 0;
};

struct InvokePattern : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke() = 0;
};

// The element's GetCurrentPattern sits in slot 16, after methods this client never calls.
HRESULT current_pattern(Element* element, int pattern, IUnknown** found) {
  using Call = HRESULT(STDMETHODCALLTYPE*)(Element*, int, IUnknown**);
  return (*reinterpret_cast<Call**>(element))[16](element, pattern, found);
}

Condition* named(Automation* automation, const wchar_t* name, int control_type = 0) {
  VARIANT text{};
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(name);
  Condition* by_name = nullptr;
  automation->CreatePropertyCondition(kNameProperty, text, &by_name);
  VariantClear(&text);
  if (!control_type || !by_name) return by_name;
  VARIANT type{};
  type.vt = VT_I4;
  type.lVal = control_type;
  Condition *by_type = nullptr, *both = nullptr;
  automation->CreatePropertyCondition(kControlTypeProperty, type, &by_type);
  if (by_type) automation->CreateAndCondition(by_name, by_type, &both);
  by_name->Release();
  if (by_type) by_type->Release();
  return both;
}

Element* find(Automation* automation, Element* window, const wchar_t* name, int control_type = 0) {
  Condition* condition = named(automation, name, control_type);
  Element* found = nullptr;
  if (condition) window->FindFirst(kTreeScopeDescendants, condition, &found), condition->Release();
  return found;
}

template <class Pattern>
Pattern* pattern_of(Element* element, int id, const IID& interface_id) {
  IUnknown* found = nullptr;
  Pattern* pattern = nullptr;
  if (element && SUCCEEDED(current_pattern(element, id, &found)) && found) {
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
  expect(handle && SUCCEEDED(automation->ElementFromHandle(handle, &window)) && window, L"the program's window read");
  if (!window) return 1;

  for (const wchar_t* name : {L"EXIT", L"Always On Top", L"MY PROCESS NAME IS:-", L"Thumbs up, left",
                              L"Thumbs up, right", L"HALVERD", L"Created By Malvoric", L"Version 1.0",
                              L"!!! FREEWARE !!!", L"TEST-PROCESS"}) {
    Element* control = find(automation, window, name);
    expect(control != nullptr, std::wstring(L"a control named \"") + name + L"\"");
    if (control) control->Release();
  }

  Element* box = find(automation, window, L"Always On Top", kCheckBox);
  TogglePattern* toggle = pattern_of<TogglePattern>(box, kTogglePatternId, kTogglePattern);
  int before = -1, after = -1;
  expect(toggle && toggle->get_CurrentToggleState(&before) == S_OK && toggle->Toggle() == S_OK &&
             toggle->get_CurrentToggleState(&after) == S_OK && after != before,
         L"the tick box toggled");
  if (toggle) toggle->Release();
  if (box) box->Release();

  Element* exit_button = find(automation, window, L"EXIT", kButton);
  InvokePattern* invoke = pattern_of<InvokePattern>(exit_button, kInvokePatternId, kInvokePattern);
  expect(invoke && invoke->Invoke() == S_OK, L"EXIT invoked");
  DWORD status = STILL_ACTIVE;
  expect(WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &status) &&
             status == 0,
         L"the program ended by EXIT with status 0");
  if (invoke) invoke->Release();
  if (exit_button) exit_button->Release();
  window->Release();
  automation->Release();
  if (status == STILL_ACTIVE) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CoUninitialize();
  return failures == 0 ? 0 : 1;
}
