#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace pelorin {

// A key's printable name: plain ASCII, at most 15 characters, held inline so that the
// keyboard hook never allocates.
class TKeyName {
 public:
  static constexpr size_t Capacity = 15;
  TKeyName() = default;
  explicit TKeyName(std::string_view text);
  std::string_view View() const { return {Text, Length}; }
  std::wstring Wide() const { return std::wstring(View().begin(), View().end()); }
  friend bool operator==(const TKeyName& a, const TKeyName& b) { return a.View() == b.View(); }

 private:
  char Text[Capacity] = {};
  uint8_t Length = 0;
};

// The name of a key for chord texts, from its scan code (set 1) first and its virtual key
// where the scan code is shared; "<scan/vk>" in decimal for keys without a name.
TKeyName KeyName(uint32_t scan, uint32_t vk);

// Scan codes whose press is logged for the layout switcher and whose release keeps the log:
// the digit row, the three letter rows with their punctuation, and Space.
bool IsTypingKey(uint32_t scan);
// Shift and Caps Lock: their release keeps the log, their press is not logged.
bool IsWordKeepingKey(uint32_t scan);

}  // namespace pelorin
