#include "input/KeyNames.h"

#include <algorithm>
#include <cstdio>

namespace pelorin {

TKeyName::TKeyName(std::string_view text) {
  Length = static_cast<uint8_t>(std::min(text.size(), Capacity));
  std::copy_n(text.begin(), Length, Text);
}

namespace {

TKeyName Fallback(uint32_t scan, uint32_t vk) {
  char buf[32];
  int len = std::snprintf(buf, sizeof buf, "<%u/%u>", static_cast<unsigned>(scan), static_cast<unsigned>(vk));
  return TKeyName({buf, static_cast<size_t>(len > 0 ? len : 0)});
}

// Names by scan code; empty where the name depends on the virtual key or does not exist.
constexpr std::string_view ScanNames[94] = {
    "",          "Esc",        "",         "",          "",         "",          "",          "",
    "",          "",           "",         "",          "-",        "=",         "Backspace", "Tab",
    "",          "",           "",         "",          "",         "",          "",          "",
    "",          "",           "[",        "]",         "Enter",    "",          "",          "",
    "",          "",           "",         "",          "",         "",          "",          ";",
    "\"",        "`",          "Left Shift", "\\",      "",         "",          "",          "",
    "",          "",           "",         ", ",        ".",        "",          "Right Shift", "",
    "",          "Space",      "CapsLock", "F1",        "F2",       "F3",        "F4",        "F5",
    "F6",        "F7",         "F8",       "F9",        "F10",      "",          "ScrollLock", "Home",
    "Up",        "PageUp",     "Numeric -", "Left",     "Numeric 5", "Right",    "Numeric +", "End",
    "Down",      "PageDown",   "Insert",   "Delete",    "",         "",          "",          "F11",
    "F12",       "",           "",         "Left Win",  "Right Win", "Menu",
};

bool InRange(uint32_t v, uint32_t lo, uint32_t hi) { return v >= lo && v <= hi; }

}  // namespace

TKeyName KeyName(uint32_t scan, uint32_t vk) {
  switch (scan) {
    case 0:
      switch (vk) {
        case 173: return TKeyName("Mute");
        case 174: return TKeyName("Volume Down");
        case 175: return TKeyName("Volume Up");
        case 176: return TKeyName("Next");
        case 177: return TKeyName("Back");
        case 178: return TKeyName("Stop");
        case 179: return TKeyName("Play/Pause");
        default: return Fallback(scan, vk);
      }
    case 29: return TKeyName(vk == 162 ? "Left Ctrl" : "Right Ctrl");
    case 53: return TKeyName(vk == 111 ? "Numeric /" : "/");
    case 55: return TKeyName(vk == 44 ? "PrintScreen" : "*");
    case 56: return TKeyName(vk == 164 ? "Left Alt" : "Right Alt");
    case 69: return TKeyName(vk == 19 ? "Pause" : "NumLock");
    default: break;
  }
  if (InRange(scan, 2, 11) || InRange(scan, 16, 25) || InRange(scan, 30, 38) || InRange(scan, 44, 50)) {
    // The character whose code is the virtual key: digits and capital letters. A layout that
    // maps these keys to other virtual keys would give a control or non-ASCII character,
    // which a chord text must never hold.
    if (vk >= 0x21 && vk <= 0x7E) {
      char c = static_cast<char>(vk);
      return TKeyName({&c, 1});
    }
    return Fallback(scan, vk);
  }
  if (scan < std::size(ScanNames) && !ScanNames[scan].empty()) return TKeyName(ScanNames[scan]);
  return Fallback(scan, vk);
}

bool IsTypingKey(uint32_t scan) {
  return InRange(scan, 2, 13) || InRange(scan, 16, 27) || InRange(scan, 30, 41) || InRange(scan, 43, 53) ||
         scan == 57;
}

bool IsWordKeepingKey(uint32_t scan) { return scan == 42 || scan == 54 || scan == 58; }

}  // namespace pelorin
