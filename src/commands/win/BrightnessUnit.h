#pragma once
#include <windows.h>

#include <functional>

#include "common/win/FormWindow.h"
#include "commands/Brightness.h"
#include "commands/BrightnessSlider.h"

namespace pelorin {

// The brightness slider: a small always-on-top tool window with a vertical track bar, the
// monitor's maximum above it and its minimum below, and the current value in the caption.
// It pops up above the taskbar, writes the monitor at every position the user gives the
// thumb, and goes away when Esc is pressed or another window is activated. It is created
// hidden at start-up and only ever hidden until shutdown: closing it is refused. GUI thread
// only.
//
// Start-up, in the GUI thread, once the brightness layer is open:
//   TBrightnessForm slider(brightness);
//   slider.OnChanged = [&] { RefreshTray(); MarkSettingsChanged(); };
//   slider.Create(instance);
// Right click on the tray icon or the pop-up's item: slider.ShowAt(x). Shutdown: Destroy().
class TBrightnessForm {
 public:
  static constexpr wchar_t WindowClass[] = L"PelorinBrightnessForm";

  explicit TBrightnessForm(TBrightness& brightness) : Brightness(brightness) {}
  TBrightnessForm(const TBrightnessForm&) = delete;
  TBrightnessForm& operator=(const TBrightnessForm&) = delete;
  ~TBrightnessForm() { Destroy(); }

  // Creates the window hidden, at its design size scaled to the screen's DPI.
  bool Create(HINSTANCE instance);
  void Destroy();

  HWND Handle() const { return Window; }
  HWND TrackBar() const { return Bar; }
  HWND MaxLab() const { return MaxLabel; }
  HWND MinLab() const { return MinLabel; }

  // Reads the monitor and shows its range and value; places the window with its left edge
  // at x - 20 (kept inside the work area) and its bottom 5 px above the primary work area;
  // shows it in front with the keyboard on the track bar. Nothing when the system has no
  // brightness control.
  void ShowAt(int x);
  void Hide();
  bool Visible() const { return Window != nullptr && ::IsWindowVisible(Window); }

  // After the show handler read the monitor, and after every change of the value by the
  // user (drag, keys, wheel) once it is written to the monitor: the tray tip shows the new
  // value and the settings count as changed.
  std::function<void()> OnChanged;

 private:
  template <class TForm>
  friend LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TrackBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  HWND CreateLabel(HINSTANCE instance, int top);
  int Scaled(int pixels) const;
  void FormShow();
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
  // What the track bar shows; Position follows every move, so a move that changed nothing
  // (a key at the end of the bar, the end of a drag) writes nothing.
  TSliderRange Range{0, 100, 100};
};

}  // namespace pelorin
