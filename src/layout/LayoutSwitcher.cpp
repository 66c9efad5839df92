#include "layout/LayoutSwitcher.h"

#include <algorithm>
#include <cstdio>

namespace pelorin {

namespace {

constexpr uint32_t UsEnglish = 0x0409;
constexpr uint8_t VkBackspace = 8, ScanBackspace = 14;
constexpr uint8_t VkCapsLock = 0x14, ScanCapsLock = 0x3A;
constexpr uint8_t VkLeftShift = 0xA0, ScanLeftShift = 0x2A;

bool IsLetter(const TInputCharInfo& c) { return c.VirtualCode >= 'A' && c.VirtualCode <= 'Z'; }

bool IsVowel(const TInputCharInfo& c) {
  switch (c.VirtualCode) {
    case 'A': case 'E': case 'I': case 'O': case 'U': case 'Y': return true;
    default: return false;
  }
}

}  // namespace

std::wstring LayoutName(bool toEnglish, int32_t otherLang) {
  if (toEnglish) return L"00000409";
  wchar_t name[9];
  std::swprintf(name, 9, L"%08X", static_cast<uint32_t>(otherLang));
  return name;
}

TWindowScan ScanTypedWindow(const std::vector<TInputCharInfo>& log, int32_t start) {
  TWindowScan s;
  bool open = false;
  int length = 0, vowelRun = 0, consonantRun = 0;
  auto endWord = [&] {
    if (open && length < 4) --s.Words;  // short words do not count
    open = false;
  };
  for (int32_t x = std::max(start, 0); x < static_cast<int32_t>(log.size()); ++x) {
    const TInputCharInfo& c = log[static_cast<size_t>(x)];
    if (!IsLetter(c)) {
      endWord();
      continue;
    }
    // A capital after a small letter starts a new word (the earlier letter may lie before
    // the window).
    if (x > 0 && IsLetter(log[static_cast<size_t>(x - 1)]) && !log[static_cast<size_t>(x - 1)].InUpperRegister &&
        c.InUpperRegister)
      endWord();
    if (!open) {
      open = true;
      length = 0;
      if (++s.Words == 2) s.SecondWordStart = x;
      vowelRun = consonantRun = 0;
    }
    ++length;
    if (IsVowel(c)) {
      ++s.Vowels, ++vowelRun, consonantRun = 0;
      s.LongRun = s.LongRun || vowelRun > 4;
    } else {
      ++s.Consonants, ++consonantRun, vowelRun = 0;
      s.LongRun = s.LongRun || consonantRun > 4;
    }
  }
  return s;
}

void TLayoutSwitcher::DropFirstWord(const TWindowScan& scan, uint64_t generation) {
  if (scan.SecondWordStart == 0 || scan.Words < 3) return;
  // Only while the log is still the one judged: a log cleared and refilled meanwhile keeps
  // every entry.
  if (!L.Typed.DropFront(static_cast<size_t>(scan.SecondWordStart), generation)) return;
  SeenGeneration = generation + 1;
  Start = std::max(0, Start - scan.SecondWordStart);
}

void TLayoutSwitcher::SendTap(uint8_t vk, uint8_t scan) {
  L.Input.SendKey(true, vk, scan, true);
  L.Input.SendKey(false, vk, scan, true);
}

void TLayoutSwitcher::MatchCase(const TInputCharInfo& c, bool shift, bool caps, bool down) {
  const bool upper = c.InUpperRegister;
  // Shift held: it gives the other case once Caps Lock is flipped around the key.
  if (shift && upper == caps) {
    SendTap(VkCapsLock, ScanCapsLock);
    return;
  }
  // Nothing held: a Left Shift around the key gives the case that Caps Lock alone does not.
  if (!shift && upper != caps) L.Input.SendKey(down, VkLeftShift, ScanLeftShift, true);
}

bool TLayoutSwitcher::EnglishInFront() {
  const uint64_t layout = L.Layouts.ThreadLayout(L.Shared.ForegroundThreadId.load(std::memory_order_relaxed));
  return ((layout >> 16) & 0xFFFF) == UsEnglish;
}

void TLayoutSwitcher::AutoSwitchCheck() {
  TTypedSnapshot snapshot = L.Typed.Snapshot();
  const std::vector<TInputCharInfo>& log = snapshot.Chars;
  const auto count = static_cast<int32_t>(log.size());
  if (count == 0) return;
  // A new log: one key typed since it was emptied, or emptied and refilled since the last look.
  if (count == 1 || snapshot.Generation != SeenGeneration) {
    Skip = false;
    Start = 0;
  }
  SeenGeneration = snapshot.Generation;
  const bool shift = L.Held.ShiftHeld();
  const bool caps = L.Shared.CapsLockOn.load(std::memory_order_relaxed);
  const bool lastIsLetter = IsLetter(log.back());

  if (Skip) {
    // The switched word is skipped whole, with the break after it: several keys may have
    // come since the last look (typed while the switch was being replayed), and a letter
    // left in the window would be erased and typed again by a later switch.
    int32_t x = std::max(Start, 0);
    while (x < count && IsLetter(log[static_cast<size_t>(x)])) ++x;
    if (x == count) {
      Start = count;
      return;
    }
    Skip = false;
    Start = x + 1;
    // What follows the break is the next word, judged now as any window.
  }
  const TWindowScan scan = ScanTypedWindow(log, Start);
  if (!AutoSwitch.load(std::memory_order_relaxed)) {
    DropFirstWord(scan, snapshot.Generation);
    return;
  }
  const int n = 10 - Sensitivity.load(std::memory_order_relaxed);
  if ((count - 1) - Start < n) return;

  bool plausible = false;
  if (scan.Vowels == 0 || scan.Consonants == 0) {
    plausible = false;
  } else if (scan.Vowels < n && scan.Consonants < n) {
    DropFirstWord(scan, snapshot.Generation);  // too few letters of either kind to judge
    return;
  } else {
    const double ratio =
        static_cast<double>(std::max(scan.Vowels, scan.Consonants)) / std::min(scan.Vowels, scan.Consonants);
    plausible = ratio <= n && !scan.LongRun;
  }
  const bool english = EnglishInFront();
  if (plausible == english) {
    DropFirstWord(scan, snapshot.Generation);
    return;
  }
  // No layout to ask for: nothing is erased, and the text stays as typed.
  const int32_t other = L.Shared.OtherLayoutLang.load(std::memory_order_relaxed);
  const uint64_t layout = L.Layouts.LoadLayout(LayoutName(!english, other));
  if (layout == 0) {
    DropFirstWord(scan, snapshot.Generation);
    return;
  }
  for (int32_t i = Start; i < count; ++i) SendTap(VkBackspace, ScanBackspace);
  L.Layouts.RequestLayout(L.Shared.ForegroundWnd.load(std::memory_order_relaxed), layout);
  for (int32_t x = Start; x < count; ++x) {
    const TInputCharInfo& c = log[static_cast<size_t>(x)];
    MatchCase(c, shift, caps, true);
    L.Input.SendKey(true, c.VirtualCode, c.ScanCode, true);
    L.Input.SendKey(false, c.VirtualCode, c.ScanCode, true);
    MatchCase(c, shift, caps, false);
  }
  Skip = lastIsLetter;
  Start = count;
  L.Notes.ShowNote(LayoutTabCaption, false, -1);
}

void TLayoutSwitcher::Retype() {
  const int32_t other = L.Shared.OtherLayoutLang.load(std::memory_order_relaxed);
  if (other == 0) return;
  const std::vector<TInputCharInfo> taken = L.Typed.Take();
  if (taken.empty()) {
    L.Notes.ShowNote(CanNotRetypeText, false, -1);
    return;
  }
  // A chord that fired this is still held: the keys must be up before anything is typed.
  for (int tries = 0; L.Held.HeldCount() != 0;) {
    L.Layouts.Sleep(ReleaseWait);
    if (++tries == ReleaseTries) {
      L.Notes.ShowNote(ReleaseKeysText, false, -1);
      return;
    }
  }
  const bool english = EnglishInFront();
  const uint64_t layout = L.Layouts.LoadLayout(LayoutName(!english, other));
  if (layout == 0) {
    L.Notes.ShowNote(CanNotRetypeText, false, -1);  // nothing erased: no layout to retype in
    return;
  }
  for (size_t i = 0; i < taken.size(); ++i) SendTap(VkBackspace, ScanBackspace);
  L.Layouts.RequestLayout(L.Shared.ForegroundWnd.load(std::memory_order_relaxed), layout);
  const bool caps = L.Shared.CapsLockOn.load(std::memory_order_relaxed);
  for (const TInputCharInfo& c : taken) {
    const bool shifted = c.InUpperRegister != caps;
    if (shifted) L.Input.SendKey(true, VkLeftShift, ScanLeftShift, true);
    L.Input.SendKey(true, c.VirtualCode, c.ScanCode, true);
    L.Input.SendKey(false, c.VirtualCode, c.ScanCode, true);
    if (shifted) L.Input.SendKey(false, VkLeftShift, ScanLeftShift, true);
  }
  L.Notes.ShowNote(RetypedText, false, -1);
}

}  // namespace pelorin
