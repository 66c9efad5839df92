#include "commands/NoteLayout.h"

#include <algorithm>

namespace pelorin {

namespace {
constexpr int32_t CutAbove = NoteLabelWidth - 5;
constexpr int32_t CutTo = NoteLabelWidth - 15;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
}  // namespace

std::wstring FitNoteText(std::wstring text, NoteTextWidthPort& width) {
  if (width.TextWidth(text) <= CutAbove) return text;
  while (!text.empty() && width.TextWidth(text) > CutTo) text.pop_back();
  // Half a surrogate pair would draw as a box in front of the dots.
  if (!text.empty() && IsHighSurrogate(text.back())) text.pop_back();
  return text + L"...";
}

TNoteLayout LayoutNote(std::wstring_view text, int32_t level, NoteTextWidthPort& width) {
  TNoteLayout layout;
  if (level == TextNoteLevel) {
    layout.Text = FitNoteText(std::wstring(text), width);
    return layout;
  }
  // A brightness percent is an unsigned division and can pass 100 on odd monitor ranges.
  layout.Level = true;
  layout.LevelValue = std::clamp(level, 0, 100);
  layout.LevelText = std::to_wstring(layout.LevelValue);
  layout.ThumbLeft = layout.LevelValue * NoteThumbTravel / 100 + 1;
  layout.ClientWidth = NoteLevelLeft + NoteLevelWidth;
  layout.StepLimit = LevelNoteSteps;
  return layout;
}

}  // namespace pelorin
