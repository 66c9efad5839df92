#include "input/KeyboardHook.h"

namespace pelorin {

bool TPressedKeys::Contains(const TKeyName& name) const {
  for (int i = 0; i < Size; ++i)
    if (Keys[i].Name == name) return true;
  return false;
}

bool TPressedKeys::Append(const TPressedKey& key) {
  if (Size == Capacity) return false;
  Keys[Size++] = key;
  Publish();
  return true;
}

void TPressedKeys::Publish() {
  bool shift = false;
  for (int i = 0; i < Size; ++i) shift = shift || Keys[i].Name.View().find("Shift") != std::string_view::npos;
  PublishedShift.store(shift, std::memory_order_relaxed);
  PublishedCount.store(Size, std::memory_order_relaxed);
}

std::optional<bool> TPressedKeys::Remove(const TKeyName& name) {
  std::optional<bool> swallowed;
  int kept = 0;
  for (int i = 0; i < Size; ++i) {
    if (Keys[i].Name == name) {
      if (!swallowed) swallowed = Keys[i].Swallowed;
    } else {
      Keys[kept++] = Keys[i];
    }
  }
  Size = kept;
  Publish();
  return swallowed;
}

std::wstring TPressedKeys::ChordText() const {
  std::wstring text;
  for (int i = 0; i < Size; ++i) {
    if (i > 0) text += L" + ";
    text += Keys[i].Name.Wide();
  }
  return text;
}

std::optional<TKeyChordRecord> TPressedKeys::ChordRecord() const {
  std::array<uint8_t, Capacity> vks{}, scans{};
  for (int i = 0; i < Size; ++i) {
    vks[i] = Keys[i].VirtualKey;
    scans[i] = Keys[i].ScanCode;
  }
  return TKeyChordRecord::FromKeys(std::span(vks.data(), Size), std::span(scans.data(), Size));
}

TKeyboardHook::TKeyboardHook(const TCustomInputTable& table, TSharedState& shared, KeyboardHookPort& port,
                             TTypedChars& typed)
    : Table(table), Shared(shared), Port(port), Typed(typed) {
  Scratch.reserve(512);
}

HookVerdict TKeyboardHook::KeyboardHookProc(const KeyEvent& e) noexcept {
  if (IsProbeKey(e)) {
    Shared.KeyboardProbe.store(ProbeAnswered, std::memory_order_relaxed);
    return HookVerdict::Eat;
  }
  if (e.Time == OwnInputMark) return HookVerdict::Pass;
  Shared.KbdIdleTicks.store(0, std::memory_order_relaxed);
  TKeyName name = KeyName(e.ScanCode, e.VkCode);
  return (e.Flags & KeyReleasedFlag) != 0 ? OnRelease(e, name) : OnPress(e, name);
}

HookVerdict TKeyboardHook::OnRelease(const KeyEvent& e, const TKeyName& name) noexcept {
  bool swallowed = Pressed.Remove(name).value_or(false);
  Shared.VolumeStep.store(1, std::memory_order_relaxed);  // a held volume chord accelerates until any release
  if (e.ScanCode == 58) Shared.CapsLockOn.store(Port.CapsLockToggled(), std::memory_order_relaxed);
  if (Shared.AppEnabled.load(std::memory_order_relaxed) && Shared.OtherLayoutLang.load(std::memory_order_relaxed) != 0 &&
      !IsTypingKey(e.ScanCode) && !IsWordKeepingKey(e.ScanCode))
    Typed.ClearTypedChars();  // the user left the word: Enter, arrows, Ctrl...
  return swallowed ? HookVerdict::Eat : HookVerdict::Pass;
}

HookVerdict TKeyboardHook::OnPress(const KeyEvent& e, const TKeyName& name) noexcept {
  if (e.VkCode == VkEscape) Shared.TrackedClicking.store(false, std::memory_order_relaxed);

  // A 17th key finds the list full: it is not listed, fires nothing and passes; the list
  // keeps the first 16 and its release simply finds no entry. A key already held is the
  // system's auto-repeat.
  const bool repeat = Pressed.Contains(name);
  bool listed = repeat ||
                Pressed.Append({name, static_cast<uint8_t>(e.VkCode), static_cast<uint8_t>(e.ScanCode), false});
  int row = listed ? FindChordRow() : -1;

  if (Shared.MainWindowActive.load(std::memory_order_relaxed)) {
    if (listed && Port.CustomInputsPageActive()) {
      ChoiceCombo combo = Port.FocusedChoiceCombo();
      if (combo == ChoiceCombo::Command) Captured = Pressed.ChordRecord();
      if (combo != ChoiceCombo::None && Port.ChoiceComboSelection(combo) == 0) {
        try {
          Port.ShowCapturedChord(combo, Pressed.ChordText());
        } catch (...) {
          // Out of memory for a few dozen characters: the capture just does not show.
        }
        Pressed[Pressed.Count() - 1].Swallowed = true;
        return HookVerdict::Eat;  // the chord reaches neither the combo box nor a bound command
      }
    }
    if ((e.VkCode == VkEscape || e.VkCode == VkF1) && Port.MainFormIsActive()) {
      Shared.PostAction(e.VkCode == VkEscape ? ActionMinimize : ActionShowHelp);
      return HookVerdict::Eat;
    }
  }

  if (row != -1 && IsRowActive(Table, row, Shared.CheckedInputsEnabled.load(std::memory_order_relaxed))) {
    FireRow(Table, row, Shared, repeat);
    Pressed[Pressed.Count() - 1].Swallowed = true;
    return HookVerdict::Eat;
  }

  if (Shared.AppEnabled.load(std::memory_order_relaxed) && Shared.AutoSwitchAllowed.load(std::memory_order_relaxed) &&
      Shared.OtherLayoutLang.load(std::memory_order_relaxed) != 0 && IsTypingKey(e.ScanCode)) {
    // The case is known now, not at the check: a fast typist logs several keys per check.
    const bool upper = Pressed.ShiftHeld() != Shared.CapsLockOn.load(std::memory_order_relaxed);
    Typed.Append({static_cast<uint8_t>(e.ScanCode), static_cast<uint8_t>(e.VkCode), upper});
    Shared.PostAction(ActionAutoSwitchCheck);
  }
  return HookVerdict::Pass;
}

int TKeyboardHook::FindChordRow() const {
  // The digest the matching input must have: its characters are those of the held names,
  // each followed by " + ". Rows with another digest cannot match; the text decides the rest.
  TChordDigest held{0, 0};
  const uint64_t separator = 2 * ChordCharHash(L' ') + ChordCharHash(L'+');
  for (int i = 0; i < Pressed.Count(); ++i) {
    std::string_view name = Pressed[i].Name.View();
    held.Length += name.size() + 3;
    for (char c : name) held.CharSum += ChordCharHash(static_cast<unsigned char>(c));
    held.CharSum += separator;
  }
  for (int row = 1; row < Table.RowCount(); ++row)
    if (IsChordState(Table.InputState(row)) && Table.InputDigest(row) == held && ChordMatches(Table.GetCell(1, row)))
      return row;
  return -1;
}

// Each held key must be found once as "Name + " in the input followed by " + ", removing
// it, and nothing may be left: the held set equals the chord's keys in any order. Every
// removal takes the name and 3 characters, so the lengths must agree first.
bool TKeyboardHook::ChordMatches(std::wstring_view input) const {
  size_t needed = 0;
  for (int i = 0; i < Pressed.Count(); ++i) needed += Pressed[i].Name.View().size() + 3;
  if (input.size() + 3 != needed) return false;
  Scratch.assign(input);
  Scratch += L" + ";
  for (int i = 0; i < Pressed.Count(); ++i) {
    wchar_t needle[TKeyName::Capacity + 3];
    std::string_view name = Pressed[i].Name.View();
    size_t len = 0;
    for (char c : name) needle[len++] = static_cast<unsigned char>(c);
    needle[len++] = L' ';
    needle[len++] = L'+';
    needle[len++] = L' ';
    size_t pos = Scratch.find(std::wstring_view(needle, len));
    if (pos == std::wstring::npos) return false;
    Scratch.erase(pos, len);
  }
  return Scratch.empty();
}

}  // namespace pelorin
