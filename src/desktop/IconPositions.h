#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pelorin {

struct TDesktopIcon {
  std::wstring Caption;
  int32_t X = 0;
  int32_t Y = 0;
};

// The desktop's list view, in the shell's process. Positions are list-view coordinates of an
// icon's top left corner: negative on a monitor left of or above the primary one.
struct DesktopListPort {
  virtual ~DesktopListPort() = default;
  virtual int ItemCount() = 0;
  // Nothing when the icon could not be read.
  virtual std::optional<TDesktopIcon> ReadItem(int index) = 0;
  // Moves the icon and redraws it.
  virtual void MoveItem(int index, int32_t x, int32_t y) = 0;
};

// Every icon in list order as "|caption|x|y", one after another without line breaks.
// Nothing when an icon could not be read: a half-read desktop is not worth keeping.
std::optional<std::wstring> SaveIconPositions(DesktopListPort& list);

struct TRestoreResult {
  // At least one icon was not at a position saved for its caption. The icon saved last
  // always counts, which is what makes the automatic restore run its second pass.
  bool Moved = false;
  // A saved coordinate was not a 32-bit decimal number; icons moved before it stay moved.
  bool Failed = false;
};

// Puts each icon back at the first unused saved record of its caption; icons whose caption was
// not saved keep their place, saved captions without an icon are ignored.
TRestoreResult RestoreIconPositions(DesktopListPort& list, std::wstring_view saved);

// The automatic restore: a second pass when the first moved anything.
TRestoreResult AutoRestoreIconPositions(DesktopListPort& list, std::wstring_view saved);

}  // namespace pelorin
