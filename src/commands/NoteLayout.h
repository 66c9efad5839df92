#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace pelorin {

// The notification strip in the pixel sizes of its design; it is never scaled.
inline constexpr int32_t NoteHeight = 21;
inline constexpr int32_t NoteLabelWidth = 199;   // the text, centred, at 1, 4 (height 15)
inline constexpr int32_t NotePanelWidth = 201;   // client width of a text note
inline constexpr int32_t NoteLevelLeft = 201;    // the level number, centred, at 201, 4
inline constexpr int32_t NoteLevelWidth = 22;
inline constexpr int32_t NoteTrackWidth = 201;   // the level track at 1, 2 (height 18)
inline constexpr int32_t NoteThumbWidth = 10;    // the thumb at top 1 (height 20)
inline constexpr int32_t NoteThumbTravel = 188;  // thumb left runs from 1 to 189

inline constexpr int32_t TextNoteLevel = -1;  // the level argument of a text note
inline constexpr int32_t TextNoteSteps = 40;
inline constexpr int32_t LevelNoteSteps = 100;

// Width in pixels of a text in the note's bold font.
struct NoteTextWidthPort {
  virtual ~NoteTextWidthPort() = default;
  virtual int32_t TextWidth(std::wstring_view text) = 0;
};

// What the note window shows for one note.
struct TNoteLayout {
  bool Level = false;      // a level note: track, thumb and number instead of the text
  std::wstring Text;       // text note: the text, fitted to the label
  int32_t LevelValue = 0;  // level note: 0 to 100
  std::wstring LevelText;  // level note: the number
  int32_t ThumbLeft = 1;
  int32_t ClientWidth = NotePanelWidth;
  int32_t StepLimit = TextNoteSteps;  // steps the note stays up
};

// A text wider than the label less 5 px loses characters from its end until it is at most
// the label less 15 px wide, then ends in "...".
std::wstring FitNoteText(std::wstring text, NoteTextWidthPort& width);

// Level -1 is a text note; any other level is shown clamped to 0..100, so that the thumb
// and the number never leave the track.
TNoteLayout LayoutNote(std::wstring_view text, int32_t level, NoteTextWidthPort& width);

}  // namespace pelorin
