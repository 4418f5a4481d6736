#pragma once

#include "platform/process_info.h"

namespace hv::windows_backend {

class Win32ProcessInfo final : public ProcessInfo {
 public:
  Win32ProcessInfo();
  std::string executable_name() override;
  char decimal_separator() override { return decimal_separator_; }
  void warn(std::string_view line) override;

 private:
  char decimal_separator_;
};

}  // namespace hv::windows_backend
