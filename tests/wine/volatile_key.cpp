// Creates HKEY_CURRENT_USER\<path> as a volatile key: under it no lasting key can be made, which is
// how the tests make the settings unwritable under Wine. Exit status 0 when it was made.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, argv[1], 0, nullptr, REG_OPTION_VOLATILE,
                                         KEY_WRITE, nullptr, &key, &disposition);
  if (key) RegCloseKey(key);
  return status == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY ? 0 : 1;
}
