#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "common/win/FormWindow.h"
#include "commands/Brightness.h"
#include "commands/BrightnessSlider.h"

namespace pelorin {

// The brightness slider: a small always-on-top tool window with a vertical track bar, the
// monitor's maximum above it and its minimum below, and the current value in the caption.
// It pops up above the taskbar, sends the monitor every position the user gives the thumb
// (through the writer thread of TBrightnessSlider: the GUI thread never waits for the
// monitor), and goes away when Esc is pressed or another window is activated. It is created
// hidden at start-up and only ever hidden until shutdown: closing it is refused. GUI thread
// only.
//
// Start-up, in the GUI thread, once the brightness layer is open:
//   TBrightnessForm slider(brightness);
//   slider.OnChanged = [&] { RefreshTray(); MarkSettingsChanged(); };
//   slider.OnRefreshed = [&] { RefreshTray(); };
//   slider.Create(instance);
//   slider.ReadMonitor();
// Right click on the tray icon or the pop-up's item: slider.ShowAt(x). Shutdown: Destroy(),
// before the monitor layer is released.
class TBrightnessForm {
 public:
  static constexpr wchar_t WindowClass[] = L"PelorinBrightnessForm";

  explicit TBrightnessForm(TBrightness& brightness) : Brightness(brightness) {}
  TBrightnessForm(const TBrightnessForm&) = delete;
  TBrightnessForm& operator=(const TBrightnessForm&) = delete;
  ~TBrightnessForm() { Destroy(); }

  // Creates the window hidden, at its design size scaled to the screen's DPI, and the writer
  // thread when the system has brightness control.
  bool Create(HINSTANCE instance);
  // Stops the writer (waiting for the monitor call in progress), then destroys the window.
  void Destroy();

  HWND Handle() const { return Window; }
  HWND TrackBar() const { return Bar; }
  HWND MaxLab() const { return MaxLabel; }
  HWND MinLab() const { return MinLabel; }

  // Shows the range and value known at once, and reads the monitor in the background: the
  // bar follows the reading unless the user moved the thumb meanwhile. Places the window
  // with its left edge at x - 20 (kept inside the work area) and its bottom 5 px above the
  // primary work area; shows it in front with the keyboard on the track bar. Nothing when
  // the system has no brightness control.
  void ShowAt(int x);
  void Hide();
  bool Visible() const { return Window != nullptr && ::IsWindowVisible(Window); }

  // Reads the monitor in the background without showing anything (start-up): OnRefreshed
  // when the reading arrives.
  void ReadMonitor();

  // After the reading of a show arrived, and after a change of the value by the user (drag,
  // keys, wheel) was written to the monitor (several positions of a drag that came while the
  // monitor was busy make one write): the tray tip shows the new value and the settings count
  // as changed.
  std::function<void()> OnChanged;
  // A reading arrived that no show asked for: the tray tip shows the value.
  std::function<void()> OnRefreshed;

  // Nothing on its way to or from the monitor, and every result shown and reported.
  bool Idle() const { return Slider == nullptr || Slider->Idle(); }

 private:
  template <class TForm>
  friend LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TrackBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  HWND CreateLabel(HINSTANCE instance, int top);
  int Scaled(int pixels) const;
  void FormShow();
  void ShowRange();
  void WriterLanded();
  void TrackBarChange();
  void TrackBarWheel(int delta);

  TBrightness& Brightness;
  HWND Window = nullptr;
  HWND Bar = nullptr;
  HWND MaxLabel = nullptr;
  HWND MinLabel = nullptr;
  HFONT Font = nullptr;
  double Scale = 1.0;
  int WheelRest = 0;  // part of a notch not yet turned
  // What is written when; null without brightness control.
  std::unique_ptr<TBrightnessSlider> Slider;
};

}  // namespace pelorin
