#include "input/MouseHook.h"

#include <cstdlib>

#include "common/Rounding.h"
#include "input/InputCatalogue.h"

namespace pelorin {

namespace {

int16_t HighWord(uint32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v >> 16)); }
int64_t Abs(int64_t v) { return v < 0 ? -v : v; }

// Outside the main window widened by 35 pixels left and right, 20 above and 45 below:
// the picker must not pick Pelorin's own window.
bool OutsidePickerMargin(const TRect& r, int32_t x, int32_t y) {
  int64_t left = r.Left, top = r.Top;
  return x < left - 35 || x > left + r.Width + 35 || y < top - 20 || y > top + r.Height + 45;
}

}  // namespace

void ResetShake(TShakeAxis& axis) {
  axis.Min = TShakeAxis::ResetMin;
  axis.Max = TShakeAxis::ResetMax;
  axis.Forward = false;
  axis.Back = false;
}

TMouseHook::TMouseHook(const TCustomInputTable& table, const Settings& settings, TSharedState& shared,
                       MouseHookPort& window, TypedCharsPort& typedChars, TPoint cursorAtStart)
    : Table(table), Cfg(settings), Shared(shared), Window(window), TypedChars(typedChars),
      PrevPos(cursorAtStart) {}

HookVerdict TMouseHook::MouseHookProc(const MouseEvent& e) noexcept {
  if (e.Time == OwnInputMark) return HookVerdict::Pass;
  switch (e.Message) {
    case MouseMsg::Move:
      return OnMove(e);
    case MouseMsg::LButtonDown:
    case MouseMsg::LButtonUp:
      return OnLeftButton(e);
    case MouseMsg::MButtonDown:
    case MouseMsg::MButtonUp:
    case MouseMsg::XButtonDown:
    case MouseMsg::XButtonUp:
      return OnExtraButton(e);
    case MouseMsg::Wheel:
      return OnWheel(e);
    default:
      return HookVerdict::Pass;
  }
}

int TMouseHook::ActiveRowFor(int inputItem) const noexcept {
  int row = Table.FindInputRow(InputCatalogue[inputItem]);
  if (row == -1 || !IsRowActive(Table, row, Shared.CheckedInputsEnabled.load(std::memory_order_relaxed)))
    return -1;
  return row;
}

HookVerdict TMouseHook::OnMove(const MouseEvent& e) noexcept {
  if (e.Time == ProbeMark) {
    Shared.MouseProbe.store(ProbeAnswered, std::memory_order_relaxed);
    return HookVerdict::Eat;
  }
  TPoint prev = PrevPos.Load();
  if (Shared.PickerMode.load(std::memory_order_relaxed) != 0) {
    if (OutsidePickerMargin(Window.MainWindowRect(), e.X, e.Y)) Shared.PickerPoint.Store({e.X, e.Y});
  } else {
    uint32_t dt = TimeDiff(e.Time, MoveTime);
    if (dt == 0) dt = 1;
    MoveTime = e.Time;
    if (e.X != prev.X || e.Y != prev.Y) {
      int64_t vx = (int64_t{e.X} - prev.X) / dt;
      int64_t vy = ((int64_t{e.Y} - prev.Y) / dt) * 3 / 2;  // vertical strokes are shorter
      bool firedX = DetectShake(ShakeX, e.X, e.Y, vx, prev.X);
      bool firedY = DetectShake(ShakeY, e.Y, e.X, vy, prev.Y);
      if (firedX || firedY) {
        int row = ActiveRowFor(firedX ? inpShakeHorizontal : inpShakeVertical);
        if (row != -1) FireRow(Table, row, Shared);
      }
    }
  }
  PrevPos.Store({e.X, e.Y});
  return HookVerdict::Pass;  // a move is never eaten, even when it fired a row
}

bool TMouseHook::DetectShake(TShakeAxis& a, int32_t main, int32_t other, int64_t v, int32_t prev) noexcept {
  if (main < a.Min) {
    a.Min = main;
    a.OtherAtMin = other;
  }
  if (main > a.Max) {
    a.Max = main;
    a.OtherAtMax = other;
  }
  int speed = SpeedRange.Clamp(Cfg.SpeedTrack);
  if (Abs(v) < speed) {
    uint32_t pause = 2u * static_cast<uint32_t>(SpeedRange.Max + 100 - speed);
    if (TimeDiff(MoveTime, a.SlowSince) > pause) {
      ResetShake(a);
      a.Fired = false;
    }
  } else {
    a.SlowSince = MoveTime;
    if (!a.Fired) {
      if (prev > main) {
        if (a.Forward && !a.Back) a.Min = a.Max;  // the turning point starts the back stroke
        a.Back = true;
      } else if (prev < main) {
        if (a.Back && !a.Forward) a.Max = a.Min;
        a.Forward = true;
      }
    }
  }
  if (a.Min != TShakeAxis::ResetMin && a.Forward && a.Back) {
    int64_t threshold = int64_t{DistRange.Clamp(Cfg.DistTrack)} * Shared.ScreenHeight.load(std::memory_order_relaxed) / 100;
    if (int64_t{a.Max} - a.Min > threshold && Abs(int64_t{a.OtherAtMax} - a.OtherAtMin) < threshold / 2) {
      ResetShake(a);
      a.Fired = true;
      return true;
    }
  }
  return false;
}

HookVerdict TMouseHook::OnLeftButton(const MouseEvent& e) noexcept {
  LeftDown.store(e.Message == MouseMsg::LButtonDown, std::memory_order_relaxed);
  if (Cfg.FixDblClicksCheck && TimeDiff(e.Time, LastLeftTime) < 50) {
    LastLeftTime = e.Time;
    return HookVerdict::Eat;
  }
  if (e.Message == MouseMsg::LButtonUp) LastLeftTime = e.Time;
  return HookVerdict::Pass;
}

HookVerdict TMouseHook::OnExtraButton(const MouseEvent& e) noexcept {
  bool middle = e.Message == MouseMsg::MButtonDown || e.Message == MouseMsg::MButtonUp;
  // XBUTTON1 is 1 and XBUTTON2 is 2; any other number (0 included) is no assignable button.
  int n = inpMiddleButton;
  if (!middle) {
    int number = HighWord(e.MouseData);
    n = (number == 1 || number == 2) ? number + 1 : -1;
  }
  if (n != -1) {
    int row = ActiveRowFor(n);
    if (row != -1) {
      if (e.Message == MouseMsg::MButtonDown || e.Message == MouseMsg::XButtonDown) {
        if (TimeDiff(e.Time, LastButtonTime) > 200) FireRow(Table, row, Shared);
        LastButtonTime = e.Time;
      }
      return HookVerdict::Eat;  // the application under the cursor sees neither down nor up
    }
  }
  TypedChars.ClearTypedChars();
  return HookVerdict::Pass;
}

HookVerdict TMouseHook::OnWheel(const MouseEvent& e) noexcept {
  if (Shared.MainWindowActive.load(std::memory_order_relaxed) && Window.ChoiceComboFocused())
    return HookVerdict::Eat;  // the wheel must not change the editor's choice
  if (Cfg.FixWheelCheck && Shared.AppEnabled.load(std::memory_order_relaxed)) {
    uint32_t gap = TimeDiff(e.Time, LastWheelTime);
    bool up = HighWord(e.MouseData) > 0;
    if (gap > 500) WheelSeriesStart = e.Time;
    if (gap < 100 && TimeDiff(e.Time, WheelSeriesStart) > 300 && up != WheelUp.load(std::memory_order_relaxed)) {
      Shared.PostAction(WheelUp.load(std::memory_order_relaxed) ? ActionWheelNotchUp : ActionWheelNotchDown);
      LastWheelTime = e.Time;
      return HookVerdict::Eat;
    }
    WheelUp.store(up, std::memory_order_relaxed);
    LastWheelTime = e.Time;
  }
  return HookVerdict::Pass;
}

}  // namespace pelorin
