#pragma once
#include <string>
#include <string_view>

namespace pelorin {

// Conversion between Pelorin's wide texts and the 8-bit text of the system's ANSI code page,
// in which Pelorin.ini is written and read.
struct AnsiCodePagePort {
  virtual ~AnsiCodePagePort() = default;
  // Characters the code page lacks become "?".
  virtual std::string ToAnsi(std::wstring_view text) const = 0;
  virtual std::wstring FromAnsi(std::string_view bytes) const = 0;
};

// Windows-1252, the ANSI code page of English and Western European Windows. The five bytes
// the code page leaves undefined map to the control characters of the same number, as the
// system's own conversion does, so every byte survives a round trip.
class TWindows1252 final : public AnsiCodePagePort {
 public:
  std::string ToAnsi(std::wstring_view text) const override;
  std::wstring FromAnsi(std::string_view bytes) const override;
};

}  // namespace pelorin
