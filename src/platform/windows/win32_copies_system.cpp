#include "platform/windows/win32_copies_system.h"

#include <shlobj.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "app/identity.h"
#include "platform/windows/win32_form.h"
#include "platform/windows/win32_monitors.h"
#include "platform/windows/win32_text.h"
#include "ui/twips.h"

namespace hv::windows_backend {
namespace {

namespace fs = std::filesystem;
using copies::CopiesError;

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

[[noreturn]] void fail(const std::string& what) {
  throw CopiesError(what + ": " + system_message(GetLastError()));
}

std::string read_whole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file's identity: its volume and its index there, shared by every hard link to it.
std::optional<std::pair<DWORD, ULONGLONG>> file_identity(const fs::path& path) {
  UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (file.get() == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  return std::pair(info.dwVolumeSerialNumber, (ULONGLONG(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

// Whether the file holds exactly these bytes; its size is asked first, which mostly answers.
bool holds(const fs::path& file, const std::string& bytes) {
  std::error_code error;
  return fs::file_size(file, error) == bytes.size() && !error && read_whole(file) == bytes;
}

std::optional<std::vector<BYTE>> token_user(HANDLE process) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) return std::nullopt;
  UniqueHandle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size == 0 || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) return std::nullopt;
  return user;
}

bool same_user(const std::vector<BYTE>& a, const std::vector<BYTE>& b) {
  return EqualSid(reinterpret_cast<const TOKEN_USER*>(a.data())->User.Sid,
                  reinterpret_cast<const TOKEN_USER*>(b.data())->User.Sid);
}

std::optional<fs::path> image_path(HANDLE process) {
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(process, 0, path.data(), &size)) return std::nullopt;
  path.resize(size);
  return fs::path(path);
}

// The path the process was started under, from its own parameters block. Neither the image path
// the system reports nor the snapshot's file name will do: both may name another hard link to the
// same file.
std::optional<std::string> started_as(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic{};
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) < 0 ||
      !ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
      !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
    return std::nullopt;
  }
  std::wstring path(parameters.ImagePathName.Length / sizeof(wchar_t), L'\0');
  if (path.empty() || !ReadProcessMemory(process, parameters.ImagePathName.Buffer, path.data(),
                                          parameters.ImagePathName.Length, nullptr)) {
    return std::nullopt;
  }
  return narrow(path);
}

}  // namespace


fs::path Win32CopiesSystem::program() {
  std::wstring given(32768, L'\0');
  const DWORD length = GetEnvironmentVariableW(L"HV_PROGRAM", given.data(), static_cast<DWORD>(given.size()));
  fs::path candidate;
  if (length > 0 && length < given.size()) {
    given.resize(length);
    candidate = given;
  } else {
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    candidate = fs::path(self).parent_path() / L"HV-TEST-PROCESS-V1.exe";
  }
  std::error_code error;
  if (!fs::is_regular_file(candidate, error)) {
    throw CopiesError("cannot find the program " + narrow(candidate.wstring()) + "; set HV_PROGRAM");
  }
  return fs::absolute(candidate);
}

fs::path Win32CopiesSystem::default_folder() {
  wchar_t local[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, local))) {
    throw CopiesError("cannot find the user's local application data folder; give FOLDER");
  }
  return fs::path(local) / L"hv-copies";
}

// A folder's access on Windows is its ACL, inherited from where it is made; the user's own local
// application data folder, the default, is theirs alone.
void Win32CopiesSystem::use_folder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (!fs::is_directory(folder)) {
    throw CopiesError("cannot make the folder " + copies::utf8_of(folder) + (error ? ": " + error.message() : ""));
  }
}

void Win32CopiesSystem::make_copy(const fs::path& program, const fs::path& copy) {
  // A link made before, or a copy with the same bytes, stays: Windows refuses to delete a file
  // while a copy runs from it, or from another link to it.
  const auto want = file_identity(program);
  if (want && file_identity(copy) == want) return;
  if (fs::exists(copy) && holds(copy, read_whole(program))) return;
  if (!DeleteFileW(copy.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) fail("cannot replace " + narrow(copy.wstring()));
  if (CreateHardLinkW(copy.c_str(), program.c_str(), nullptr)) return;
  if (!CopyFileW(program.c_str(), copy.c_str(), FALSE)) fail("cannot make " + narrow(copy.wstring()));
}

// Detached, with NUL for its standard handles and only that handle inherited, so that a script
// reading this tool's output sees it end when the tool does, not when the last copy does; in its
// own folder, so that it keeps no other folder busy (one on a USB stick can still be ejected).
long Win32CopiesSystem::start(const fs::path& copy) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  UniqueHandle nul(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                               OPEN_EXISTING, 0, nullptr));
  if (nul.get() == INVALID_HANDLE_VALUE) fail("cannot open NUL for " + narrow(copy.wstring()));
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = startup.StartupInfo.hStdOutput = startup.StartupInfo.hStdError = nul.get();
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> attributes(size);
  HANDLE inherited[] = {nul.get()};
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  // Without the list every inheritable handle this tool holds would go to the copy, a script's pipe
  // among them, and the script would wait for the last copy to end: no start then.
  if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) fail("cannot start " + narrow(copy.wstring()));
  const bool listed = UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited,
                                                nullptr, nullptr);
  startup.lpAttributeList = list;
  std::wstring command_line = L"\"" + copy.wstring() + L"\"";
  const std::wstring folder = copy.parent_path().wstring();
  PROCESS_INFORMATION process{};
  const BOOL started = listed && CreateProcessW(copy.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                                CREATE_NEW_PROCESS_GROUP | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                                                folder.c_str(), &startup.StartupInfo, &process);
  const DWORD why = GetLastError();  // the list's or the start's
  DeleteProcThreadAttributeList(list);
  if (!started) {
    SetLastError(why);
    fail("cannot start " + narrow(copy.wstring()));
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<long>(process.dwProcessId);
}

// The same file (a hard link) or a copy of its bytes, whatever the process was named; only the
// user's own processes, as only those are the user's to close.
std::vector<copies::RunningCopy> Win32CopiesSystem::running_copies(const fs::path& program) {
  const auto want = file_identity(program);
  if (!want) fail("cannot read " + narrow(program.wstring()));
  const auto me = token_user(GetCurrentProcess());
  if (!me) fail("cannot read this user's identity");
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.get() == INVALID_HANDLE_VALUE) fail("cannot list the processes");
  const std::string program_bytes = read_whole(program);
  std::vector<copies::RunningCopy> found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  DWORD my_session = 0;
  ProcessIdToSessionId(GetCurrentProcessId(), &my_session);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    // A copy run as administrator lets a normal user neither read its memory nor its owner, only
    // its image: in this user's session, it is taken for this user's, named by its file.
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID));
    const bool readable = bool(process);
    if (!readable) process.reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (!process) continue;
    const auto user = token_user(process.get());
    DWORD session = 0;
    const bool mine = user ? same_user(*user, *me)
                           : GetLastError() == ERROR_ACCESS_DENIED &&
                                 ProcessIdToSessionId(entry.th32ProcessID, &session) && session == my_session;
    const auto path = image_path(process.get());
    if (!mine || !path) continue;
    const bool same = file_identity(*path) == want || holds(*path, program_bytes);
    if (same) {
      const auto name = readable ? started_as(process.get()) : std::nullopt;
      found.push_back({executable_name_from_path(name.value_or(narrow(path->wstring()))), static_cast<long>(entry.th32ProcessID)});
    }
  }
  return found;
}

// Windows answers a process id that names no process with an invalid parameter; any other refusal
// (a copy run as another user, say) leaves the question open, and stop must not count it stopped.
bool Win32CopiesSystem::has_ended(long pid) {
  UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  if (!process) {
    if (GetLastError() == ERROR_INVALID_PARAMETER) return true;
    fail("process " + std::to_string(pid) + " cannot be looked at");
  }
  return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

// Each monitor's work area (less the taskbar) and the window's outer size there: the design's client
// area at that monitor's density and the frame Windows gives the style at it. The manifest makes
// all of these real pixels.
copies::Desktop Win32CopiesSystem::desktop() {
  std::vector<copies::PixelMonitor> monitors;
  const auto& design = ui::main_window();
  for (const Win32Monitor& m : read_monitors()) {
    const int dpi = static_cast<int>(m.dpi);
    const RECT outer = outer_rect(ui::twips_to_pixels(static_cast<float>(design.client_width), dpi),
                                  ui::twips_to_pixels(static_cast<float>(design.client_height), dpi), m.dpi);
    monitors.push_back({{m.work.left, m.work.top, m.work.right - m.work.left, m.work.bottom - m.work.top},
                        outer.right - outer.left, outer.bottom - outer.top, m.primary,
                        GetSystemMetricsForDpi(SM_CYCAPTION, m.dpi)});
  }
  if (monitors.empty()) fail("cannot read the monitors");
  return copies::desktop_in_twips(monitors, static_cast<int>(GetDpiForSystem()));
}

const std::map<long, HWND>& Win32CopiesSystem::main_windows() {
  if (windows_) return *windows_;
  windows_.emplace();
  EnumWindows(
      [](HWND window, LPARAM found) -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        wchar_t title[256] = L"";
        GetWindowTextW(window, title, 256);
        const std::string title_start = std::string(ui::main_window().title) + " - ";
        if (narrow(title).starts_with(title_start)) (*reinterpret_cast<std::map<long, HWND>*>(found))[static_cast<long>(pid)] = window;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&*windows_));
  return *windows_;
}

bool Win32CopiesSystem::window_shown(long pid) {
  const auto& windows = main_windows();
  const auto found = windows.find(pid);
  return found != windows.end() && IsWindowVisible(found->second);
}

// As the window's close box does, so that the copy stores its settings on the way out. A copy run
// as administrator takes no message from a normal user's program: Windows says access is denied.
std::optional<std::string> Win32CopiesSystem::close_window(long pid, Asking) {
  const auto& windows = main_windows();
  const auto found = windows.find(pid);
  if (found == windows.end()) return "has no window that can be closed from here";
  if (PostMessageW(found->second, WM_CLOSE, 0, 0)) return std::nullopt;
  return "cannot be closed from here: " + system_message(GetLastError());
}

void Win32CopiesSystem::pause() {
  windows_.reset();
  Sleep(20);
}

}  // namespace hv::windows_backend
