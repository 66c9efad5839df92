#pragma once
#include <cstdint>
#include <string_view>

namespace pelorin {

// The notifications, as every subsystem uses them (any thread).
struct NotePort {
  virtual ~NotePort() = default;
  virtual void ShowNote(std::wstring_view text, bool forced, int32_t level) = 0;
};

}  // namespace pelorin
