#pragma once

#include "platform/process_info.h"

namespace hv::linux_backend {

class PosixProcessInfo final : public ProcessInfo {
 public:
  PosixProcessInfo();
  std::string executable_name() override;
  char decimal_separator() override { return decimal_separator_; }
  void warn(std::string_view line) override;

 private:
  char decimal_separator_;
};

}  // namespace hv::linux_backend
