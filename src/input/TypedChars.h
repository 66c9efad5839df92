#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

namespace pelorin {

struct TInputCharInfo {
  uint8_t ScanCode = 0;
  uint8_t VirtualCode = 0;
  bool InUpperRegister = false;
  friend bool operator==(const TInputCharInfo&, const TInputCharInfo&) = default;
};

// What the mouse hook needs of the typed-character log.
struct TypedCharsPort {
  virtual ~TypedCharsPort() = default;
  virtual void ClearTypedChars() = 0;
};

// The typed-character log: keys typed since the last word break, read by the layout
// switcher and the retype command in the command thread. Every access holds TypedCharsLock.
class TTypedChars : public TypedCharsPort {
 public:
  // Room for far more than a word, so that the hook's appends do not allocate.
  TTypedChars() { Chars.reserve(1024); }

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
