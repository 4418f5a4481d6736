#include "platform/windows/win32_accessible.h"

#include <oleacc.h>

#include <atomic>
#include <string>

#include "platform/windows/win32_text.h"

namespace hv::windows_backend {
namespace {

constexpr wchar_t kDesignProperty[] = L"HV_TEST_PROCESS_DESIGN";
constexpr wchar_t kOriginalProcProperty[] = L"HV_TEST_PROCESS_PROC";  // the control's class procedure

LONG role_of(ui::AccessibleRole role) {
  switch (role) {
    case ui::AccessibleRole::Label: return ROLE_SYSTEM_STATICTEXT;
    case ui::AccessibleRole::Text: return ROLE_SYSTEM_TEXT;
    case ui::AccessibleRole::Image: return ROLE_SYSTEM_GRAPHIC;
    case ui::AccessibleRole::CheckBox: return ROLE_SYSTEM_CHECKBUTTON;
    case ui::AccessibleRole::PushButton: return ROLE_SYSTEM_PUSHBUTTON;
  }
  return ROLE_SYSTEM_CLIENT;
}

template <class Function>
Function look_up(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

struct Oleacc {
  decltype(&CreateStdAccessibleObject) create_standard = nullptr;
  decltype(&LresultFromObject) lresult_from_object = nullptr;
  decltype(&SysAllocStringLen) allocate_string = nullptr;
  decltype(&SysStringLen) string_length = nullptr;
  decltype(&SysFreeString) free_string = nullptr;
  decltype(&LoadRegTypeLib) load_type_library = nullptr;
};

// Loaded on the first client's question and kept: a copy nobody reads never maps oleacc.dll or
// the automation library its strings come from.
const Oleacc* oleacc() {
  static const Oleacc loaded = [] {
    Oleacc found;
    // The object goes to the client through COM, which the window's thread joins only now.
    if (auto initialise = look_up<decltype(&CoInitializeEx)>(LoadLibraryW(L"ole32.dll"), "CoInitializeEx")) {
      initialise(nullptr, COINIT_APARTMENTTHREADED);
    }
    if (HMODULE automation = LoadLibraryW(L"oleaut32.dll")) {
      found.allocate_string = look_up<decltype(&SysAllocStringLen)>(automation, "SysAllocStringLen");
      found.string_length = look_up<decltype(&SysStringLen)>(automation, "SysStringLen");
      found.free_string = look_up<decltype(&SysFreeString)>(automation, "SysFreeString");
      found.load_type_library = look_up<decltype(&LoadRegTypeLib)>(automation, "LoadRegTypeLib");
    }
    if (HMODULE module = LoadLibraryW(L"oleacc.dll")) {
      found.create_standard = look_up<decltype(&CreateStdAccessibleObject)>(module, "CreateStdAccessibleObject");
      found.lresult_from_object = look_up<decltype(&LresultFromObject)>(module, "LresultFromObject");
    }
    const bool complete = found.create_standard && found.lresult_from_object && found.allocate_string &&
                          found.string_length && found.free_string;
    return complete ? found : Oleacc{};
  }();
  return loaded.create_standard ? &loaded : nullptr;
}

// IAccessible's description from the accessibility type library, which late-bound calls are
// dispatched through; kept for the life of the program, or none where it is not registered.
ITypeInfo* described() {
  static ITypeInfo* const info = [] {
    // The library's own identifier: the import library gives its GUIDs as thunks when linked statically.
    constexpr GUID kAccessibilityLibrary{0x1ea4dbf0, 0x3c3b, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    constexpr IID kAccessible{0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    ITypeLib* library = nullptr;
    ITypeInfo* found = nullptr;
    if (oleacc()->load_type_library && SUCCEEDED(oleacc()->load_type_library(kAccessibilityLibrary, 1, 1, 0, &library))) {
      if (FAILED(library->GetTypeInfoOfGuid(kAccessible, &found))) found = nullptr;
      library->Release();
    }
    return found;
  }();
  return info;
}

// Whether a call asks about the control itself. Besides the usual VT_I4 0, a script leaves the
// optional argument out (VT_EMPTY, or VT_ERROR saying the parameter was not found), writes its 0
// as a VT_I2, or passes a variable by reference, and means the control all the same.
bool is_self(const VARIANT& child) {
  if (child.vt == (VT_VARIANT | VT_BYREF)) return child.pvarVal && is_self(*child.pvarVal);
  switch (child.vt) {
    case VT_EMPTY: return true;
    case VT_ERROR: return child.scode == DISP_E_PARAMNOTFOUND;
    case VT_I2: return child.iVal == CHILDID_SELF;
    case VT_I4: return child.lVal == CHILDID_SELF;
    default: return false;
  }
}

HRESULT give_text(std::string_view text, BSTR* out) {
  if (!out) return E_POINTER;
  const std::wstring wide = widen(text);
  *out = oleacc()->allocate_string(wide.data(), static_cast<UINT>(wide.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

// One of the system object's other interfaces, handed out as the control's own: its calls go to
// the system's object, but asked for any other interface it answers as the control's object, so a
// client going from it back to IUnknown or IAccessible finds the same object and the design's
// names, never the system's.
template <class Interface>
class Wrapped : public Interface {
 public:
  Wrapped(IUnknown* outer, Interface* inner) : outer_(outer), inner_(inner) { outer_->AddRef(); }
  Wrapped(const Wrapped&) = delete;
  Wrapped& operator=(const Wrapped&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (!out) return E_POINTER;
    if (id != __uuidof(Interface)) return outer_->QueryInterface(id, out);
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~Wrapped() {
    inner_->Release();
    outer_->Release();
  }

  IUnknown* outer_;
  Interface* inner_;

 private:
  std::atomic<ULONG> references_{1};
};

class WrappedOleWindow final : public Wrapped<IOleWindow> {
 public:
  using Wrapped::Wrapped;
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override { return inner_->GetWindow(window); }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override { return inner_->ContextSensitiveHelp(enter); }
};

class WrappedEnumeration final : public Wrapped<IEnumVARIANT> {
 public:
  using Wrapped::Wrapped;
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
    return inner_->Next(count, items, fetched);
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return inner_->Skip(count); }
  HRESULT STDMETHODCALLTYPE Reset() override { return inner_->Reset(); }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (!out) return E_POINTER;
    IEnumVARIANT* copy = nullptr;
    const HRESULT made = inner_->Clone(&copy);
    *out = SUCCEEDED(made) && copy ? new WrappedEnumeration(outer_, copy) : nullptr;
    return made;
  }
};

// The system's object for the control, with the design's name, role and description in front.
// It is the control's one object: it answers IUnknown, IDispatch and IAccessible itself, wraps the
// system's IOleWindow and IEnumVARIANT, and answers nothing else, IServiceProvider least of all:
// through it the system's object would tell UI Automation it is oleacc's stand-in for a control
// that has none of its own, and UI Automation would read the control without the design's names.
class DesignedAccessible final : public IAccessible {
 public:
  DesignedAccessible(IAccessible* standard, const ui::Control& design) : standard_(standard), design_(design) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (!out) return E_POINTER;
    if (id == IID_IUnknown || id == IID_IDispatch || id == IID_IAccessible) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    if (id == __uuidof(IOleWindow) || id == __uuidof(IEnumVARIANT)) {
      void* inner = nullptr;
      if (FAILED(standard_->QueryInterface(id, &inner)) || !inner) return E_NOINTERFACE;
      if (id == __uuidof(IOleWindow)) {
        *out = static_cast<IOleWindow*>(new WrappedOleWindow(this, static_cast<IOleWindow*>(inner)));
      } else {
        *out = static_cast<IEnumVARIANT*>(new WrappedEnumeration(this, static_cast<IEnumVARIANT*>(inner)));
      }
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // A script finds the members by name through the same type description its calls go through.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!described()) return standard_->GetTypeInfoCount(count);
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    ITypeInfo* own = described();
    if (!own) return standard_->GetTypeInfo(index, locale, info);
    if (!info) return E_POINTER;
    if (index != 0) return DISP_E_BADINDEX;
    own->AddRef();
    *info = own;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    ITypeInfo* own = described();
    if (!own) return standard_->GetIDsOfNames(id, names, count, locale, ids);
    if (id != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return own->GetIDsOfNames(names, count, ids);
  }
  // A late-bound call (a script's) goes through the interface's type description to this object's
  // own methods, so it too hears the design's names.
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* bad_argument) override {
    if (id != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = described();
    if (!info) return standard_->Invoke(member, id, locale, flags, params, result, exception, bad_argument);
    return info->Invoke(static_cast<IAccessible*>(this), member, flags, params, result, exception, bad_argument);
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!is_self(child)) return standard_->get_accName(child, name);
    // A label's name is its words as shown: the credit line shows other words once clicked.
    if (design_.accessible.role == ui::AccessibleRole::Label) {
      const HRESULT shown = standard_->get_accName(child, name);
      if (shown == S_OK && *name && oleacc()->string_length(*name) > 0) return S_OK;
      if (shown == S_OK && *name) oleacc()->free_string(*name);
    }
    return give_text(ui::accessible_name(design_), name);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!is_self(child)) return standard_->get_accRole(child, role);
    if (!role) return E_POINTER;
    role->vt = VT_I4;
    role->lVal = role_of(design_.accessible.role);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    if (!is_self(child) || design_.accessible.description.empty()) {
      return standard_->get_accDescription(child, description);
    }
    return give_text(design_.accessible.description, description);
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return standard_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** found) override {
    return standard_->get_accChild(child, found);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return standard_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return standard_->get_accHelp(child, help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return standard_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return standard_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return standard_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override {
    return standard_->accHitTest(left, top, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return standard_->accDoDefaultAction(child); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return standard_->put_accName(child, name); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

 private:
  ~DesignedAccessible() { standard_->Release(); }

  IAccessible* standard_;
  const ui::Control& design_;
  std::atomic<ULONG> references_{1};
};

LRESULT answer_get_object(HWND control, const ui::Control& design, WPARAM w) {
  const Oleacc* library = oleacc();
  if (!library) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(library->create_standard(control, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&standard)))) {
    return 0;
  }
  auto* designed = new DesignedAccessible(standard, design);
  const LRESULT result = library->lresult_from_object(IID_IAccessible, w, designed);
  designed->Release();  // LresultFromObject holds its own reference
  return SUCCEEDED(result) ? result : 0;
}

// The controls are Windows' own classes, whose WM_GETOBJECT only their window procedure sees. So
// that screen readers and automation tools hear each control by the name and role the window's
// design gives it, this procedure stands in front of the class's for that one message, hands every
// other message on unchanged, and puts the class's procedure back as the control is destroyed.
LRESULT CALLBACK designed_proc(HWND control, UINT message, WPARAM w, LPARAM l) {
  // The button, edit or picture class still draws the control and takes its clicks and keys.
  const auto class_procedure = reinterpret_cast<WNDPROC>(GetPropW(control, kOriginalProcProperty));
  const auto* design = static_cast<const ui::Control*>(GetPropW(control, kDesignProperty));
  if (message == WM_GETOBJECT && static_cast<LONG>(l) == OBJID_CLIENT && design) {
    if (const LRESULT answer = answer_get_object(control, *design, w)) return answer;
  }
  if (message == WM_NCDESTROY) {
    // The control's last message: it leaves holding nothing of this window's design, and its
    // class finishes tearing it down as it would for any window of that class.
    RemovePropW(control, kDesignProperty);
    RemovePropW(control, kOriginalProcProperty);
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(class_procedure));
  }
  // A picture taking the focus is announced by the system itself (EVENT_OBJECT_FOCUS), as every
  // window's is; announcing it here too would have screen readers speak it twice.
  return CallWindowProcW(class_procedure, control, message, w, l);
}

}  // namespace

void serve_accessibility(HWND control, const ui::Control& design) {
  SetPropW(control, kDesignProperty, const_cast<ui::Control*>(&design));
  SetPropW(control, kOriginalProcProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrW(control, GWLP_WNDPROC)));
  SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(designed_proc));
}

}  // namespace hv::windows_backend
