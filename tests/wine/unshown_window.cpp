// Stands for a copy that makes its window and never shows it, titled as a copy's, so that
// hv-copies.exe start --wait can be seen not to take a made window for a shown one. Closes when
// asked, as a copy does.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name = path;
  name = name.substr(name.find_last_of(L"\\/") + 1);
  name = name.substr(0, name.find_last_of(L'.'));
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, w, l);
  };
  window_class.hInstance = instance;
  window_class.lpszClassName = L"HV_UNSHOWN";
  RegisterClassW(&window_class);
  CreateWindowExW(0, L"HV_UNSHOWN", (L"HALVERD - TEST PROCESS - " + name + L".exe").c_str(), WS_OVERLAPPEDWINDOW,
                  0, 0, 300, 200, nullptr, nullptr, instance, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
