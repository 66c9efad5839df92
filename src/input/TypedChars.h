#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

#include "input/MouseHook.h"

namespace pelorin {

struct TInputCharInfo {
  uint8_t ScanCode = 0;
  uint8_t VirtualCode = 0;
  bool InUpperRegister = false;
  friend bool operator==(const TInputCharInfo&, const TInputCharInfo&) = default;
};

// The typed-character log: keys typed since the last word break, read by the layout
// switcher and the retype command in the command thread. Every access holds TypedCharsLock.
class TTypedChars : public TypedCharsPort {
 public:
  void ClearTypedChars() override {
    std::lock_guard guard(TypedCharsLock);
    Chars.clear();
  }
  void Append(TInputCharInfo c) {
    std::lock_guard guard(TypedCharsLock);
    Chars.push_back(c);
  }
  std::vector<TInputCharInfo> Copy() const {
    std::lock_guard guard(TypedCharsLock);
    return Chars;
  }

 private:
  mutable std::mutex TypedCharsLock;
  std::vector<TInputCharInfo> Chars;
};

}  // namespace pelorin
