#include "tracked/SyntheticInput.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

#include "HookRig.h"

namespace pelorin {

// Readable failure messages for whole records.
void PrintTo(const TInputRecord& r, std::ostream* os) {
  if (r.Kind == InputKind::Mouse)
    *os << "mouse{dx " << r.Mouse.Dx << " dy " << r.Mouse.Dy << " data " << r.Mouse.MouseData << " flags 0x"
        << std::hex << r.Mouse.Flags << std::dec << " time " << r.Mouse.Time << " extra " << r.Mouse.ExtraInfo << "}";
  else
    *os << "key{vk " << r.Key.Vk << " scan " << r.Key.Scan << " flags 0x" << std::hex << r.Key.Flags << std::dec
        << " time " << r.Key.Time << " extra " << r.Key.ExtraInfo << "}";
}

namespace {

TInputRecord MouseRecord(int32_t dx, int32_t dy, int32_t data, uint32_t flags, uint32_t time, uintptr_t extra) {
  return {InputKind::Mouse, {dx, dy, data, flags, time, extra}, {}};
}

TInputRecord KeyRecord(uint16_t vk, uint16_t scan, uint32_t flags, uint32_t time, uintptr_t extra) {
  return {InputKind::Keyboard, {}, {vk, scan, flags, time, extra}};
}

class SyntheticInputTest : public ::testing::Test, protected THookRig {
 protected:
  SyntheticInputTest() : THookRig(TPoint{300, 400}) {
    Sink.ExtraInfo = 0x5EED;
    Shared.ScreenWidth = 1920;
    Shared.ScreenHeight = 1080;
  }

  // The one batch of the last operation, which must have put nothing else through the sink.
  std::vector<TInputRecord> OnlyBatch() {
    EXPECT_EQ(Sink.Calls.size(), 1u);
    if (Sink.Calls.empty()) return {};
    EXPECT_FALSE(Sink.Calls[0].Pointer.has_value());
    return Sink.Calls[0].Batch;
  }
};

TEST_F(SyntheticInputTest, ClickWherePointerIsSendsPrimaryButtonEventsInOneBatch) {
  using namespace MouseFlag;
  struct Case { int Extra; int32_t Y; bool Left; bool Marked; std::vector<uint32_t> Flags; };
  const std::vector<Case> cases = {
      {0, -1, true, true, {LeftDown, LeftUp}},
      {1, -1, true, true, {LeftDown, LeftUp, LeftDown, LeftUp}},  // double click: no pause between
      {0, 500, true, false, {LeftDown, LeftUp}},                   // only x = -1 decides
      {0, -1, false, true, {RightDown, RightUp}},                  // buttons swapped
      {1, -1, false, false, {RightDown, RightUp, RightDown, RightUp}},
  };
  uintptr_t extra = 100;
  for (const Case& c : cases) {
    Sink.Calls.clear();
    Sink.ExtraInfo = ++extra;  // read afresh for every operation
    Shared.PrimaryButtonLeft = c.Left;
    Input.SendMouseClick(c.Extra, -1, c.Y, c.Marked);
    std::vector<TInputRecord> expected;
    for (uint32_t f : c.Flags) expected.push_back(MouseRecord(0, 0, 0, f, c.Marked ? OwnInputMark : 0, extra));
    EXPECT_EQ(OnlyBatch(), expected) << "extra " << c.Extra << " left " << c.Left << " marked " << c.Marked;
  }
}

TEST_F(SyntheticInputTest, ClickAtPointWalksOnePixelPerEventThenPutsThePointerBack) {
  using namespace MouseFlag;
  // Expected dx, dy = round((x + k) x 65535 / width), round((y + k) x 65535 / height), halves to even.
  struct Case { int Extra; TPoint At; int32_t Width; int32_t Height; bool Left; std::vector<TPoint> Abs; };
  const std::vector<Case> cases = {
      {0, {100, 200}, 1920, 1080, true, {{3447, 12197}, {3482, 12257}}},  // 101,201 then 102,202
      {0, {959, 539}, 1920, 1080, true, {{32768, 32768}, {32802, 32828}}},  // 32767.5 rounds to 32768
      {1, {100, 200}, 1280, 1024, false, {{5171, 12864}, {5222, 12928}, {5274, 12992}, {5325, 13056}}},
  };
  for (const Case& c : cases) {
    Sink.Calls.clear();
    Shared.ScreenWidth = c.Width;
    Shared.ScreenHeight = c.Height;
    Shared.PrimaryButtonLeft = c.Left;
    Input.SendMouseClick(c.Extra, c.At.X, c.At.Y, true);

    std::vector<TInputRecord> expected;
    for (size_t k = 0; k < c.Abs.size(); ++k) {
      uint32_t button = k % 2 == 0 ? (c.Left ? LeftDown : RightDown) : (c.Left ? LeftUp : RightUp);
      expected.push_back(MouseRecord(c.Abs[k].X, c.Abs[k].Y, 0, button | Move | Absolute, OwnInputMark, Sink.ExtraInfo));
    }
    ASSERT_EQ(Sink.Calls.size(), 2u) << c.At.X << "," << c.At.Y;
    EXPECT_EQ(Sink.Calls[0].Batch, expected) << c.At.X << "," << c.At.Y;
    EXPECT_EQ(Sink.Calls[1].Pointer, (TPoint{300, 400})) << "back where the hook last saw it, after the events";
  }

  // The point to return to is the hook's latest real position, not the one at start-up.
  Mouse.MouseHookProc({MouseMsg::Move, 640, 480, 0, 1000});
  Sink.Calls.clear();
  Input.SendMouseClick(0, 10, 10, false);
  ASSERT_EQ(Sink.Calls.size(), 2u);
  EXPECT_EQ(Sink.Calls[1].Pointer, (TPoint{640, 480}));
}

TEST_F(SyntheticInputTest, AbsoluteScaleRoundsHalvesToEven) {
  struct Case { int64_t Pixel; int32_t Size; int32_t Expected; };
  for (Case c : std::vector<Case>{{540, 1080, 32768},    // 32767.5 up to even
                                  {36, 1080, 2184},      // 2184.5 down to even
                                  {-36, 1080, -2184},    // -2184.5 to even, not away from zero
                                  {1919, 1920, 65501},   // 65500.87: rounded, not truncated
                                  {-1, 1920, -34},       // left of the primary screen
                                  {1920, 1920, 65535},
                                  {0, 1920, 0},
                                  {500, 0, 0}}) {        // no screen size known yet
    EXPECT_EQ(AbsoluteCoord(c.Pixel, c.Size), c.Expected) << c.Pixel << " of " << c.Size;
  }
}

TEST_F(SyntheticInputTest, ProbeMoveGoesToTheHooksLastPointWithTheProbeMark) {
  // 300 x 65535 / 1920 = 10239.84, 400 x 65535 / 1080 = 24272.2: no walk, the pointer stays.
  Input.SendProbeMove();
  EXPECT_EQ(OnlyBatch(), (std::vector{MouseRecord(10240, 24272, 0, MouseFlag::Move | MouseFlag::Absolute, ProbeMark, 0x5EED)}));
}

TEST_F(SyntheticInputTest, WheelSendsOneNotchWithoutPosition) {
  struct Case { bool Up; bool Marked; int32_t Data; uint32_t Time; };
  for (Case c : std::vector<Case>{{true, true, 120, OwnInputMark}, {false, true, -120, OwnInputMark},
                                   {true, false, 120, 0}}) {
    Sink.Calls.clear();
    Input.SendWheel(c.Up, c.Marked);
    EXPECT_EQ(OnlyBatch(), (std::vector{MouseRecord(0, 0, c.Data, MouseFlag::Wheel, c.Time, 0x5EED)}))
        << "up " << c.Up << " marked " << c.Marked;
  }
}

TEST_F(SyntheticInputTest, KeyCarriesItsCodesTheExtendedAndReleaseFlagsAndTheMark) {
  using namespace KeyFlag;
  struct Case { bool Down; uint8_t Vk; uint8_t Scan; bool Marked; uint32_t Flags; const char* What; };
  const std::vector<Case> cases = {
      {true, 160, 42, true, ExtendedKey, "Left Shift down"},
      {false, 160, 42, true, ExtendedKey | KeyUp, "Left Shift up"},
      {true, 8, 14, true, 0, "Backspace down"},
      {true, 162, 29, true, ExtendedKey, "Left Ctrl down"},
      {false, 86, 47, true, KeyUp, "V up"},
      {false, 255, 255, false, KeyUp, "keyboard probe: scan 255 never extended, no mark"},
  };
  for (const Case& c : cases) {
    Sink.Calls.clear();
    Input.SendKey(c.Down, c.Vk, c.Scan, c.Marked);
    EXPECT_EQ(OnlyBatch(), (std::vector{KeyRecord(c.Vk, c.Scan, c.Flags, c.Marked ? OwnInputMark : 0, 0x5EED)})) << c.What;
  }
}

TEST_F(SyntheticInputTest, ExtendedScanCodesAreExactlyTheirRanges) {
  // The first and last code of every range and the codes just outside it.
  struct Case { uint8_t Scan; bool Extended; };
  const std::vector<Case> cases = {
      {0x00, true},  {0x01, false}, {0x1C, false}, {0x1D, true},  {0x1E, false}, {0x29, false}, {0x2A, true},
      {0x2B, false}, {0x35, false}, {0x36, true},  {0x38, true},  {0x39, false}, {0x3A, true},  {0x49, true},
      {0x4A, false}, {0x4B, true},  {0x4C, false}, {0x4D, true},  {0x4E, false}, {0x4F, true},  {0x53, true},
      {0x54, false}, {0x56, false}, {0x57, true},  {0x58, true},  {0x59, false}, {0x5A, false}, {0x5B, true},
      {0x5D, true},  {0x5E, false}, {0x5F, false}, {0x60, false}, {0x9D, false}, {0xAA, false}, {0xFF, false},
  };
  for (Case c : cases) {
    Sink.Calls.clear();
    Input.SendKey(true, 65, c.Scan, true);
    std::vector<TInputRecord> batch = OnlyBatch();
    ASSERT_EQ(batch.size(), 1u);
    EXPECT_EQ(batch[0].Key.Flags, c.Extended ? KeyFlag::ExtendedKey : 0u) << "scan 0x" << std::hex << int{c.Scan};
  }
}

}  // namespace
}  // namespace pelorin
