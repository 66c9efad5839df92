#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace pelorin {

struct TInputCharInfo {
  uint8_t ScanCode = 0;
  uint8_t VirtualCode = 0;
  bool InUpperRegister = false;  // the key gave a capital: Shift xor Caps Lock when it was logged
  friend bool operator==(const TInputCharInfo&, const TInputCharInfo&) = default;
};

// What the mouse hook needs of the typed-character log.
struct TypedCharsPort {
  virtual ~TypedCharsPort() = default;
  virtual void ClearTypedChars() = 0;
};

// The log as one reader saw it. Generation changes whenever entries leave the log, so a later
// trim can tell whether the log still starts with these entries.
struct TTypedSnapshot {
  std::vector<TInputCharInfo> Chars;
  uint64_t Generation = 0;
};

// The typed-character log: keys typed since the last word break, read by the layout
// switcher and the retype command in the command thread. Every access holds TypedCharsLock.
class TTypedChars : public TypedCharsPort {
 public:
  // Room for far more than a word, so that the hook's appends do not allocate.
  TTypedChars() { Chars.reserve(1024); }

  void ClearTypedChars() override {
    std::lock_guard guard(TypedCharsLock);
    if (!Chars.empty()) ++Generation;
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
  TTypedSnapshot Snapshot() const {
    std::lock_guard guard(TypedCharsLock);
    return {Chars, Generation};
  }
  // The whole log, which is left empty.
  std::vector<TInputCharInfo> Take() {
    std::lock_guard guard(TypedCharsLock);
    std::vector<TInputCharInfo> taken(Chars);
    if (!Chars.empty()) ++Generation;
    Chars.clear();
    return taken;
  }
  // Removes the first n entries only while the log is the one seen in generation: entries
  // were only appended since, so the first n are the snapshot's own.
  bool DropFront(size_t n, uint64_t generation) {
    std::lock_guard guard(TypedCharsLock);
    if (generation != Generation || n > Chars.size()) return false;
    Chars.erase(Chars.begin(), Chars.begin() + static_cast<std::ptrdiff_t>(n));
    if (n > 0) ++Generation;
    return true;
  }

 private:
  mutable std::mutex TypedCharsLock;
  std::vector<TInputCharInfo> Chars;
  uint64_t Generation = 0;
};

}  // namespace pelorin
