#pragma once
#include "config/AnsiCodePage.h"

namespace pelorin {

// The system's ANSI code page (CP_ACP). Characters it lacks become "?" without best-fit
// look-alikes, as in the portable Windows-1252 conversion.
class TSystemAnsiCodePage final : public AnsiCodePagePort {
 public:
  std::string ToAnsi(std::wstring_view text) const override;
  std::wstring FromAnsi(std::string_view bytes) const override;
};

}  // namespace pelorin
