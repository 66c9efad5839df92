#include "app/Tray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin {
namespace {

TEST(TrayTip, CaptionAloneOrWithTheBrightnessOnASecondLine) {
  EXPECT_EQ(TrayTip(L"Pelorin enabled", std::nullopt), L"Pelorin enabled");
  EXPECT_EQ(TrayTip(L"Pelorin disabled", std::nullopt), L"Pelorin disabled");
  EXPECT_EQ(TrayTip(L"Pelorin enabled", 70u), L"Pelorin enabled\rBrightness: 70");
  EXPECT_EQ(TrayTip(L"Pelorin disabled", 0u), L"Pelorin disabled\rBrightness: 0") << "0 is a value, not none";
  EXPECT_EQ(TrayTip(L"Pelorin enabled", 4294967295u), L"Pelorin enabled\rBrightness: 4294967295")
      << "the monitor's own units, unsigned";
}

TEST(TrayTip, CutToWhatTheIconHolds) {
  std::wstring full(TrayTipMaxLength, L'x');
  EXPECT_EQ(TrayTip(full, std::nullopt), full) << "exactly full is kept";
  EXPECT_EQ(TrayTip(full + L"yz", std::nullopt), full);

  std::wstring caption(120, L'c');
  std::wstring tip = TrayTip(caption, 12345u);
  ASSERT_EQ(tip.size(), TrayTipMaxLength);
  EXPECT_EQ(tip, caption + L"\rBright") << "the brightness line loses its end";
}

TEST(TrayCallback, MouseMessagesOnTheIcon) {
  struct Case {
    int64_t Message;
    bool Brightness;
    TTrayReaction Expected;
    const char* What;
  };
  const std::vector<Case> cases = {
      {0x201, true, {ActionTrayPopup, false}, "left button down: the pop-up"},
      {0x201, false, {ActionTrayPopup, false}, "the pop-up needs no brightness"},
      {0x203, true, {NoAction, true}, "double click: the main window directly"},
      {0x204, true, {ActionBrightnessSlider, false}, "right button down: the slider"},
      {0x204, false, {NoAction, false}, "no slider without brightness control"},
      {0x200, true, {}, "move"},
      {0x202, true, {}, "left button up"},
      {0x205, true, {}, "right button up"},
      {0x206, true, {}, "right double click"},
      {0x207, true, {}, "middle button down"},
      {0x400, true, {}, "a newer shell's select notification"},
      {0, true, {}, "nothing"},
  };
  for (const Case& c : cases) EXPECT_EQ(TrayCallbackReaction(c.Message, c.Brightness), c.Expected) << c.What;
}

TEST(PopupItems, CaptionsStartWithThreeBlanksAndNameTheAction) {
  const std::vector<std::wstring_view> on = {L"   Show Pelorin", L"   Disable Pelorin", L"   Clipboard Manager...",
                                             L"   Brightness...", L"   Close"};
  for (int item = 0; item < PopupItemCount; ++item) {
    EXPECT_EQ(PopupItemCaption(item, true), on[item]) << item;
    std::wstring_view off = PopupItemCaption(item, false);
    EXPECT_EQ(off, item == piDisablePelorin ? L"   Enable Pelorin" : on[item]) << item;
  }
  EXPECT_TRUE(PopupItemCaption(NoPopupItem, true).empty());
  EXPECT_TRUE(PopupItemCaption(PopupItemCount, true).empty());
}

void ExpectRect(const TRect& r, int32_t left, int32_t top, int32_t width, int32_t height, const std::string& what) {
  EXPECT_EQ(r.Left, left) << what;
  EXPECT_EQ(r.Top, top) << what;
  EXPECT_EQ(r.Width, width) << what;
  EXPECT_EQ(r.Height, height) << what;
}

TEST(PopupItems, GeometryAt96Dpi) {
  EXPECT_EQ(PopupScaled(PopupWidth, 1.0), 154);
  EXPECT_EQ(PopupScaled(PopupHeight, 1.0), 131);
  const int32_t itemTops[PopupItemCount] = {1, 28, 55, 79, 106};
  for (int item = 0; item < PopupItemCount; ++item)
    ExpectRect(PopupItemRect(item, 1.0), 1, itemTops[item], 152, 24, "item " + std::to_string(item));
  const int32_t separatorTops[PopupSeparatorCount] = {25, 52, 103};
  for (int s = 0; s < PopupSeparatorCount; ++s)
    ExpectRect(PopupSeparatorRect(s, 1.0), 1, separatorTops[s], 152, 3, "separator " + std::to_string(s));
  ExpectRect(PopupItemRect(PopupItemCount, 1.0), 0, 0, 0, 0, "no such item");
  ExpectRect(PopupSeparatorRect(-1, 1.0), 0, 0, 0, 0, "no such separator");
}

TEST(PopupItems, RowsTileTheInsideOfTheBorderAtAnyScale) {
  for (double scale : {1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0}) {
    const std::string at = "scale " + std::to_string(scale);
    const int32_t width = PopupScaled(PopupWidth, scale), height = PopupScaled(PopupHeight, scale);
    // Top to bottom: the items with a separator after items 0, 1 and 3.
    std::vector<TRect> rows = {PopupItemRect(0, scale), PopupSeparatorRect(0, scale), PopupItemRect(1, scale),
                               PopupSeparatorRect(1, scale), PopupItemRect(2, scale), PopupItemRect(3, scale),
                               PopupSeparatorRect(2, scale), PopupItemRect(4, scale)};
    const int32_t border = PopupScaled(PopupBorder, scale);
    int32_t y = border;
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].Top, y) << at << ", row " << i << " follows the one above without a gap";
      EXPECT_EQ(rows[i].Left, border) << at;
      EXPECT_EQ(rows[i].Left + rows[i].Width, width - border) << at;
      EXPECT_GT(rows[i].Height, 0) << at;
      y = rows[i].Top + rows[i].Height;
    }
    EXPECT_EQ(y, height - border) << at << ": the last item ends on the bottom border";
  }
  // Exact at 200%: every design pixel doubled.
  EXPECT_EQ(PopupScaled(PopupWidth, 2.0), 308);
  EXPECT_EQ(PopupScaled(PopupHeight, 2.0), 262);
  ExpectRect(PopupItemRect(piBrightness, 2.0), 2, 158, 304, 48, "Brightness at 200%");
  ExpectRect(PopupSeparatorRect(2, 2.0), 2, 206, 304, 6, "last separator at 200%");
  // 125%: 154 x 1.25 = 192.5 rounds to even; 130 x 1.25 = 162.5 would leave a 2 px bottom
  // border under a 164 px window, so the last item reaches down to 163.
  EXPECT_EQ(PopupScaled(PopupWidth, 1.25), 192);
  EXPECT_EQ(PopupScaled(PopupHeight, 1.25), 164);
  ExpectRect(PopupItemRect(piClose, 1.25), 1, 132, 190, 31, "Close at 125%");
}

TEST(PopupPlacement, LeftOfTheCursorAndAboveTheWorkAreaBottom) {
  struct Case {
    int32_t CursorX;
    TRect Work;
    int32_t Width, Height;
    TPoint Expected;
    const char* What;
  };
  const TRect screen{0, 0, 1280, 1024};
  const TRect bottomBar{0, 0, 1280, 984};
  const std::vector<Case> cases = {
      {600, screen, 154, 131, {580, 888}, "20 px left of the cursor, 5 px above the bottom"},
      {600, bottomBar, 154, 131, {580, 848}, "above a bottom taskbar"},
      {600, {0, 40, 1280, 984}, 154, 131, {580, 888}, "a top taskbar moves the top of the work area"},
      {1146, bottomBar, 154, 131, {1126, 848}, "right edge exactly at the work area's"},
      {1147, bottomBar, 154, 131, {1126, 848}, "one pixel further stays inside"},
      {1275, bottomBar, 154, 131, {1126, 848}, "an icon at the screen's right edge"},
      {5, bottomBar, 154, 131, {0, 848}, "kept inside on the left too"},
      {70, {60, 0, 1220, 1024}, 154, 131, {60, 888}, "a left taskbar"},
      {50, {0, 0, 100, 300}, 154, 131, {0, 164}, "a work area narrower than the pop-up: the left edge wins"},
      {1200, screen, 231, 196, {1049, 823}, "the size at 150%"},
  };
  for (const Case& c : cases) EXPECT_EQ(PopupPlacement(c.CursorX, c.Work, c.Width, c.Height), c.Expected) << c.What;
}

TEST(PopupKeyboard, UpAndDownWrapAndPassOverADisabledBrightnessItem) {
  struct Case {
    int From, Step;
    bool Brightness;
    int Expected;
  };
  const std::vector<Case> cases = {
      {NoPopupItem, 1, true, piShowPelorin},  {NoPopupItem, -1, true, piClose},
      {piShowPelorin, 1, true, piDisablePelorin}, {piClose, 1, true, piShowPelorin},
      {piShowPelorin, -1, true, piClose},     {piClipboardManager, 1, true, piBrightness},
      {piClipboardManager, 1, false, piClose}, {piClose, -1, true, piBrightness},
      {piClose, -1, false, piClipboardManager}, {piBrightness, 0, true, piBrightness},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NextPopupItem(c.From, c.Step, c.Brightness), c.Expected)
        << "from " << c.From << " step " << c.Step << (c.Brightness ? "" : " without brightness");
  // Around the whole menu and back, never landing on the disabled item.
  int item = NoPopupItem;
  for (int i = 0; i < 2 * PopupItemCount; ++i) {
    item = NextPopupItem(item, 1, false);
    EXPECT_NE(item, piBrightness);
  }
}

}  // namespace
}  // namespace pelorin
