#pragma once
#include <windows.h>

#include <functional>

#include "tracked/TrackedPicker.h"
#include "tracked/win/TrackedWindowsWin.h"

namespace pelorin {

// Other programs' windows through the 8-bit calls, as the tracked-window check reads them.
class TPickerWindowsWin final : public PickerWindowsPort {
 public:
  TWindowHandle WindowFromPoint(TPoint p) override;
  bool IsVisible(TWindowHandle window) override;
  std::string WindowText(TWindowHandle window) override;
  std::string ClassName(TWindowHandle window) override;
  TWindowHandle Parent(TWindowHandle window) override;
  bool IsFrameLike(TWindowHandle window) override;
  std::optional<TRect> WindowRect(TWindowHandle window) override;

 private:
  TTrackedWindowsWin Windows;
};

// The inverted frame on a device context of the whole screen.
class TScreenFrameWin final : public PickFramePort {
 public:
  void DrawXorFrame(const TRect& r) override;
  void RepaintPage() override {
    if (Repaint) Repaint();
  }
  std::function<void()> Repaint;
};

}  // namespace pelorin
