#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "base/SharedState.h"
#include "input/CustomInputTable.h"
#include "base/HookMarkers.h"
#include "input/KeyNames.h"
#include "input/TypedChars.h"

namespace pelorin {

struct KeyEvent {
  uint32_t VkCode = 0;
  uint32_t ScanCode = 0;
  uint32_t Flags = 0;  // LLKHF_ flags
  uint32_t Time = 0;
};

inline constexpr uint32_t KeyReleasedFlag = 0x80;  // LLKHF_UP
inline constexpr uint32_t VkEscape = 27;
inline constexpr uint32_t VkF1 = 112;
// The worker's keyboard health probe: a key release with virtual key and scan code 255.
inline constexpr uint32_t ProbeKeyCode = 255;

constexpr bool IsProbeKey(const KeyEvent& e) { return e.VkCode == ProbeKeyCode && e.ScanCode == ProbeKeyCode; }

// A key held down, in press order.
struct TPressedKey {
  TKeyName Name;
  uint8_t VirtualKey = 0;
  uint8_t ScanCode = 0;
  bool Swallowed = false;  // its press was eaten, so its release is eaten too
};

// The keys held down, at most 16, in press order. Fixed storage: the hook never allocates.
class TPressedKeys {
 public:
  static constexpr int Capacity = 16;
  int Count() const { return Size; }
  const TPressedKey& operator[](int i) const { return Keys[i]; }
  TPressedKey& operator[](int i) { return Keys[i]; }
  bool Contains(const TKeyName& name) const;
  // False, and nothing changed, when the list is full.
  bool Append(const TPressedKey& key);
  // Removes every entry of that name; the Swallowed flag of the first one removed, if any.
  std::optional<bool> Remove(const TKeyName& name);
  void Clear() {
    Size = 0;
    Publish();
  }
  // For other threads, without a lock: what the GUI thread's last change left.
  int HeldCount() const { return PublishedCount.load(std::memory_order_relaxed); }
  bool ShiftHeld() const { return PublishedShift.load(std::memory_order_relaxed); }
  // "Left Ctrl + Left Alt + T": the names joined in press order.
  std::wstring ChordText() const;
  std::optional<TKeyChordRecord> ChordRecord() const;

 private:
  void Publish();

  std::array<TPressedKey, Capacity> Keys{};
  int Size = 0;
  std::atomic<int32_t> PublishedCount{0};
  std::atomic<bool> PublishedShift{false};
};

enum class ChoiceCombo { None, Command, Input };

// What the keyboard hook needs from the main window's editor and the system.
struct KeyboardHookPort {
  virtual ~KeyboardHookPort() = default;
  // The main window's top-level page control shows its first page, "Custom Inputs".
  virtual bool CustomInputsPageActive() = 0;
  virtual ChoiceCombo FocusedChoiceCombo() = 0;
  virtual int ChoiceComboSelection(ChoiceCombo combo) = 0;
  // Puts the chord text into item 0 of the combo and selects it, as a programmatic change.
  virtual void ShowCapturedChord(ChoiceCombo combo, const std::wstring& chordText) = 0;
  // The main window is the active form of this thread.
  virtual bool MainFormIsActive() = 0;
  virtual bool CapsLockToggled() = 0;
};

// The recogniser behind the low-level keyboard hook: held keys, chord inputs, chord capture
// for the editor, Esc and F1 of the main window, and the typed-character log. Runs in the
// GUI thread; allocates nothing on the way of ordinary keys.
class TKeyboardHook {
 public:
  TKeyboardHook(const TCustomInputTable& table, TSharedState& shared, KeyboardHookPort& port, TTypedChars& typed);

  HookVerdict KeyboardHookProc(const KeyEvent& e) noexcept;

  const TPressedKeys& PressedKeys() const { return Pressed; }
  TPressedKeys& PressedKeys() { return Pressed; }
  // The last chord pressed while CommandCombo had the focus, for a new chord command row.
  const std::optional<TKeyChordRecord>& CapturedChord() const { return Captured; }
  // The first data row holding a chord input whose keys are exactly the held ones, or -1.
  int FindChordRow() const;

 private:
  HookVerdict OnRelease(const KeyEvent& e, const TKeyName& name) noexcept;
  HookVerdict OnPress(const KeyEvent& e, const TKeyName& name) noexcept;
  bool ChordMatches(std::wstring_view input) const;

  const TCustomInputTable& Table;
  TSharedState& Shared;
  KeyboardHookPort& Port;
  TTypedChars& Typed;
  TPressedKeys Pressed;
  std::optional<TKeyChordRecord> Captured;
  mutable std::wstring Scratch;  // reused by the chord comparison
};

}  // namespace pelorin
