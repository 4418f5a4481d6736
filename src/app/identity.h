#pragma once

#include <string>
#include <string_view>

namespace hv {

// The application's name: the key its settings are stored under, its window class on X and the
// title of its reports.
inline constexpr std::string_view kApplication = "HV_TEST_PROCESS";

// "HV_TEST_PROCESS: <text>", a line of this program's among others' on the error stream.
std::string report_line(std::string_view text);

// A program file's name as the copy's identity: the base name without its last extension
// ("/opt/TEST7.EXE" gives "TEST7"). A leading dot does not start an extension.
std::string executable_name_from_path(std::string_view path);

// "<name>.exe", whatever the real extension and its case.
std::string identity_text(std::string_view executable_name);

// "HALVERD - TEST PROCESS - <name>.exe".
std::string title_text(std::string_view executable_name);

}  // namespace hv
