#include "app/Tray.h"

#include <algorithm>
#include <array>

#include "common/Rounding.h"

namespace pelorin {

namespace {

constexpr std::array<std::wstring_view, PopupItemCount> ItemCaptions = {
    L"   Show Pelorin", L"   Disable Pelorin", L"   Clipboard Manager...", L"   Brightness...", L"   Close",
};
constexpr std::wstring_view EnableCaption = L"   Enable Pelorin";

// Design top edge of each item and separator: items and separators follow each other from
// the top border down; a separator comes after items 0, 1 and 3.
struct TDesignRows {
  std::array<int32_t, PopupItemCount> ItemTop{};
  std::array<int32_t, PopupSeparatorCount> SeparatorTop{};
};

constexpr TDesignRows DesignRows() {
  TDesignRows rows;
  int32_t y = PopupBorder;
  int separator = 0;
  for (int item = 0; item < PopupItemCount; ++item) {
    rows.ItemTop[item] = y;
    y += PopupItemHeight;
    if (item == piShowPelorin || item == piDisablePelorin || item == piBrightness) {
      rows.SeparatorTop[separator++] = y;
      y += PopupSeparatorHeight;
    }
  }
  return rows;
}

constexpr TDesignRows Rows = DesignRows();
static_assert(Rows.ItemTop[piClose] + PopupItemHeight + PopupBorder == PopupHeight,
              "the rows fill the pop-up inside its border");

// A design edge at `scale`. The outer edges are measured from the window's own scaled size,
// so the border keeps one width all round where rounding would make it uneven.
int32_t ScaledEdge(int32_t design, int32_t windowSize, double scale) {
  int32_t border = PopupScaled(PopupBorder, scale);
  if (design <= PopupBorder) return border;
  if (design >= windowSize - PopupBorder) return PopupScaled(windowSize, scale) - border;
  return PopupScaled(design, scale);
}

TRect ScaledRow(int32_t top, int32_t height, double scale) {
  int32_t left = ScaledEdge(PopupBorder, PopupWidth, scale);
  int32_t right = ScaledEdge(PopupWidth - PopupBorder, PopupWidth, scale);
  int32_t y0 = ScaledEdge(top, PopupHeight, scale);
  int32_t y1 = ScaledEdge(top + height, PopupHeight, scale);
  return {left, y0, right - left, y1 - y0};
}

}  // namespace

std::wstring TrayTip(std::wstring_view enabledCaption, std::optional<uint32_t> brightness) {
  std::wstring tip(enabledCaption);
  if (brightness) tip += L"\rBrightness: " + std::to_wstring(*brightness);
  if (tip.size() > TrayTipMaxLength) tip.resize(TrayTipMaxLength);
  return tip;
}

TTrayReaction TrayCallbackReaction(int64_t mouseMessage, bool brightnessAvailable) {
  constexpr int64_t leftButtonDown = 0x201, leftButtonDoubleClick = 0x203, rightButtonDown = 0x204;
  switch (mouseMessage) {
    case leftButtonDown:
      return {ActionTrayPopup, false};
    case leftButtonDoubleClick:
      return {NoAction, true};
    case rightButtonDown:
      return {brightnessAvailable ? ActionBrightnessSlider : NoAction, false};
    default:
      return {};
  }
}

std::wstring_view PopupItemCaption(int item, bool appEnabled) {
  if (item < 0 || item >= PopupItemCount) return {};
  if (item == piDisablePelorin && !appEnabled) return EnableCaption;
  return ItemCaptions[item];
}

int32_t PopupScaled(int32_t designPixels, double scale) {
  return static_cast<int32_t>(RoundHalfEven(designPixels * scale));
}

TRect PopupItemRect(int item, double scale) {
  if (item < 0 || item >= PopupItemCount) return {};
  return ScaledRow(Rows.ItemTop[item], PopupItemHeight, scale);
}

TRect PopupSeparatorRect(int separator, double scale) {
  if (separator < 0 || separator >= PopupSeparatorCount) return {};
  return ScaledRow(Rows.SeparatorTop[separator], PopupSeparatorHeight, scale);
}

TPoint PopupPlacement(int32_t cursorX, const TRect& workArea, int32_t width, int32_t height) {
  int32_t left = cursorX - PopupCursorOffset;
  // The left edge wins when the work area is narrower than the pop-up.
  left = std::max(std::min(left, workArea.Left + workArea.Width - width), workArea.Left);
  int32_t top = workArea.Top + workArea.Height - height - PopupBottomGap;
  return {left, top};
}

int NextPopupItem(int current, int step, bool brightnessAvailable) {
  if (step == 0) return current;
  step = step > 0 ? 1 : -1;
  int item = current;
  if (item < 0 || item >= PopupItemCount) item = step > 0 ? -1 : PopupItemCount;
  do {
    item = (item + step + PopupItemCount) % PopupItemCount;
  } while (item == piBrightness && !brightnessAvailable);
  return item;
}

}  // namespace pelorin
