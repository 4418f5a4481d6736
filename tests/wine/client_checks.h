#pragma once

// What the accessibility clients share: their failures, told as they are found, and the program
// under test, started as a user starts it and waited for until its window shows.

#include <windows.h>

#include <cstdio>
#include <string>

namespace hv::wine_clients {

inline int failures = 0;

inline void expect(bool holds, const std::wstring& what) {
  if (holds) return;
  ++failures;
  std::fwprintf(stderr, L"FAILED: %ls\n", what.c_str());
}

// The program's process and its shown window; no window where it did not show within a minute.
// A program still running when the client gives up is ended, so that it cannot stand in for the
// next run's.
struct StartedProgram {
  PROCESS_INFORMATION process{};
  HWND window = nullptr;
  StartedProgram() = default;
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;
  ~StartedProgram() {
    if (!process.hProcess) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
};

inline bool start_program(const wchar_t* path, StartedProgram& started) {
  std::wstring command = L"\"" + std::wstring(path) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(path, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started.process)) {
    std::fwprintf(stderr, L"cannot start %ls\n", path);
    return false;
  }
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 60000) {
    HWND window = FindWindowW(L"HV_TEST_PROCESS_MAIN", nullptr);
    if (window && IsWindowVisible(window)) {
      started.window = window;
      break;
    }
    Sleep(20);
  }
  expect(started.window != nullptr, L"the program's window shown");
  return true;
}

}  // namespace hv::wine_clients
