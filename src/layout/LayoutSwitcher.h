#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/NotePort.h"
#include "base/SharedState.h"
#include "commands/CustomInputThread.h"
#include "input/KeyboardHook.h"
#include "input/TypedChars.h"
#include "tracked/SyntheticInput.h"

namespace pelorin {

// Keyboard layouts as the switcher needs them. An input locale is the system's handle of a
// loaded layout: bits 16 and up name the layout (0x0409 is US English); 0 is none.
struct KeyboardLayoutPort {
  virtual ~KeyboardLayoutPort() = default;
  virtual uint64_t ThreadLayout(uint32_t threadId) = 0;
  // The input locale of a layout named by eight hex digits, loaded if needed; 0 if it cannot be.
  virtual uint64_t LoadLayout(std::wstring_view name) = 0;
  // Asks the window to take that layout; returns once the window has handled the request.
  virtual void RequestLayout(TWindowHandle window, uint64_t layout) = 0;
  virtual void Sleep(std::chrono::milliseconds time) = 0;
};

// "00000409" for US English; otherwise the other layout's language as eight hex digits.
std::wstring LayoutName(bool toEnglish, int32_t otherLang);

// The letters of the judged window, entries start .. end of the log: vowel and consonant
// keys, whether a run of either went over 4, and the words of 4 or more letters (the open
// one counted too) with the entry where the second of them begins (0 for none).
struct TWindowScan {
  int Vowels = 0;
  int Consonants = 0;
  bool LongRun = false;
  int Words = 0;
  int32_t SecondWordStart = 0;
};
TWindowScan ScanTypedWindow(const std::vector<TInputCharInfo>& log, int32_t start);

// The layout auto-switcher and the retype command, both run by the command thread. The
// hooks fill the typed-character log in the GUI thread; the log's lock is never held while
// keys are sent.
class TLayoutSwitcher : public LayoutCommandsPort {
 public:
  static constexpr std::wstring_view LayoutTabCaption = L"Keyboard layout";
  static constexpr std::wstring_view CanNotRetypeText = L"Can not retype";
  static constexpr std::wstring_view ReleaseKeysText = L"Release the keys";
  static constexpr std::wstring_view RetypedText = L"Retyped";
  static constexpr int ReleaseTries = 20;
  static constexpr std::chrono::milliseconds ReleaseWait{50};

  struct Links {
    TSharedState& Shared;
    TTypedChars& Typed;
    const TPressedKeys& Held;
    TSyntheticInput& Input;
    NotePort& Notes;
    KeyboardLayoutPort& Layouts;
  };
  explicit TLayoutSwitcher(const Links& links) : L(links) {}

  // The two settings, from the GUI thread whenever they change.
  void SetOptions(bool autoSwitch, int sensitivity) {
    AutoSwitch.store(autoSwitch, std::memory_order_relaxed);
    Sensitivity.store(sensitivity, std::memory_order_relaxed);
  }

  // CheckLayout: one look at the word being typed, after each logged key.
  void AutoSwitchCheck() override;
  // RetypeCommand: the whole log erased and typed again in the other layout.
  void Retype() override;

  bool SkipWord() const { return Skip; }
  int32_t WindowStart() const { return Start; }

 private:
  void DropFirstWord(const TWindowScan& scan, uint64_t generation);
  void MatchCase(const TInputCharInfo& c, bool shift, bool caps, bool down);
  void SendTap(uint8_t vk, uint8_t scan);
  bool EnglishInFront();

  Links L;
  std::atomic<bool> AutoSwitch{false};
  std::atomic<int> Sensitivity{6};
  // Kept between checks: after a switch the rest of that word is not judged again; the first
  // entry of the window that is judged; the log each belongs to.
  bool Skip = false;
  int32_t Start = 0;
  uint64_t SeenGeneration = 0;
};

}  // namespace pelorin
