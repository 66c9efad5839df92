// The random batches: walks, typing, chords, button clicks, wheel runs and shakes, each sent
// through the model so that the expected outcome is known before the hooks decide.
#include <algorithm>

#include "SoakRun.h"

namespace pelorin::soak {

using e2e::TInput;
namespace sk = soakkeys;

namespace {

DWORD DownFlag(TButton b) {
  switch (b) {
    case TButton::Left: return MOUSEEVENTF_LEFTDOWN;
    case TButton::Right: return MOUSEEVENTF_RIGHTDOWN;
    case TButton::Middle: return MOUSEEVENTF_MIDDLEDOWN;
    default: return MOUSEEVENTF_XDOWN;
  }
}

DWORD UpFlag(TButton b) {
  switch (b) {
    case TButton::Left: return MOUSEEVENTF_LEFTUP;
    case TButton::Right: return MOUSEEVENTF_RIGHTUP;
    case TButton::Middle: return MOUSEEVENTF_MIDDLEUP;
    default: return MOUSEEVENTF_XUP;
  }
}

}  // namespace

int TSoakRun::Roll(int from, int to) { return std::uniform_int_distribution<int>(from, to)(Random); }

void TSoakRun::Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  // The driver's own log of arrivals is not needed: what passed is counted by the hook.
  Driver->Clear();
  EventsNow = Sent.Total;
}

void TSoakRun::SendMoves(const std::vector<POINT>& points, const std::vector<DWORD>& gaps, bool shake) {
  std::vector<TInput::TMove> moves;
  for (size_t i = 0; i < points.size(); ++i) {
    moves.push_back({points[i].x, points[i].y, Input.After(gaps[i])});
    Model->Move();
  }
  Input.Moves(moves);
  Sent.Total += moves.size();
  (shake ? Sent.ShakeMoves : Sent.Moves) += moves.size();
  if (!points.empty()) Cursor = points.back();
  Pump();
}

void TSoakRun::SendKeys(const std::vector<TInput::TKeyEvent>& events, uint64_t& kindCount) {
  for (const TInput::TKeyEvent& e : events) Model->Key(e.Key, e.Up);
  Input.Keys(events);
  Sent.Total += events.size();
  kindCount += events.size();
  Pump();
}

void TSoakRun::SendButton(TButton button, bool down, DWORD time) {
  Model->Button(button, down, time);
  const DWORD data = button == TButton::X1 ? XBUTTON1 : button == TButton::X2 ? XBUTTON2 : 0;
  Input.Button(down ? DownFlag(button) : UpFlag(button), data, time);
  ++Sent.Total;
  ++Sent.Buttons;
  Pump();
}

void TSoakRun::SendWheel(int delta, DWORD time) {
  Model->Wheel(delta, time);
  Input.Wheel(delta, time);
  ++Sent.Total;
  ++Sent.Wheel;
  Pump();
}

void TSoakRun::PressChord(const std::vector<TKey>& keys, uint64_t& kindCount) {
  // The modifiers in any order, the main key last, released in the reverse order: the rows
  // match the held keys whatever their order.
  std::vector<TKey> order(keys.begin(), keys.end() - 1);
  std::shuffle(order.begin(), order.end(), Random);
  order.push_back(keys.back());
  std::vector<TInput::TKeyEvent> events;
  for (const TKey& k : order) events.push_back({k, false, Input.After(static_cast<DWORD>(Roll(8, 40)))});
  for (auto k = order.rbegin(); k != order.rend(); ++k)
    events.push_back({*k, true, Input.After(static_cast<DWORD>(Roll(8, 60)))});
  SendKeys(events, kindCount);
}

POINT TSoakRun::RandomBlankPoint() { return {Roll(Blank.left, Blank.right), Roll(Blank.top, Blank.bottom)}; }

void TSoakRun::ReturnToBlank(DWORD gap) {
  // One long jump with a long time stamp gap is slow, and ends any shake in progress.
  SendMoves({RandomBlankPoint()}, {gap}, false);
}

void TSoakRun::ActWalk() {
  // Small steps several milliseconds apart: far below any shake speed.
  const int steps = Roll(5, 30);
  std::vector<POINT> points;
  std::vector<DWORD> gaps;
  POINT p = Cursor;
  for (int i = 0; i < steps; ++i) {
    p.x = std::clamp<LONG>(p.x + Roll(-10, 10), Blank.left, Blank.right);
    p.y = std::clamp<LONG>(p.y + Roll(-10, 10), Blank.top, Blank.bottom);
    points.push_back(p);
    gaps.push_back(static_cast<DWORD>(Roll(4, 20)));
  }
  SendMoves(points, gaps, false);
}

void TSoakRun::ActTyping() {
  const int n = Roll(3, 15);
  std::vector<TInput::TKeyEvent> events;
  for (int i = 0; i < n; ++i) {
    const TKey& key = TypingKeys()[static_cast<size_t>(Roll(0, static_cast<int>(TypingKeys().size()) - 1))];
    events.push_back({key, false, Input.After(static_cast<DWORD>(Roll(40, 150)))});
    events.push_back({key, true, Input.After(static_cast<DWORD>(Roll(20, 80)))});
  }
  SendKeys(events, Sent.TypingKeys);
}

void TSoakRun::ActChord(bool bound) {
  if (bound) {
    static const std::vector<int> rows = Config.BatchChordRows();
    // Command lines start a process each: one chord in twenty runs one.
    int row = 0;
    do {
      row = rows[static_cast<size_t>(Roll(0, static_cast<int>(rows.size()) - 1))];
    } while (Config.Rows[static_cast<size_t>(row)].Kind == TRowKind::Marker && Roll(0, 9) != 0);
    PressChord(Config.Rows[static_cast<size_t>(row)].Chord, Sent.ChordKeys);
    ++Sent.ChordsBound;
  } else {
    const auto& pool = Config.UnboundChords;
    PressChord(pool[static_cast<size_t>(Roll(0, static_cast<int>(pool.size()) - 1))], Sent.ChordKeys);
    ++Sent.ChordsUnbound;
  }
}

void TSoakRun::ActButtonClick() {
  // Button 4 runs a command line: rarer than the other two.
  auto pickButton = [this] {
    const int pick = Roll(0, 20);
    return pick < 10 ? TButton::Middle : pick < 19 ? TButton::X2 : TButton::X1;
  };
  const TButton first = pickButton();
  const DWORD press = Input.After(static_cast<DWORD>(Roll(50, 600)));
  const DWORD hold = static_cast<DWORD>(Roll(10, 80));
  SendButton(first, true, press);
  SendButton(first, false, press + hold);
  if (Roll(0, 2) == 0) {
    // A second press soon after: within the 200 ms quiet time it fires nothing.
    const TButton second = pickButton();
    const DWORD again = press + static_cast<DWORD>(Roll(static_cast<int>(hold) + 5, 260));
    SendButton(second, true, again);
    SendButton(second, false, again + static_cast<DWORD>(Roll(10, 80)));
  }
}

void TSoakRun::ActLeftClick() {
  // Over the driver's empty area only: a click elsewhere could start anything.
  if (!PtInRect(&Blank, Cursor)) ReturnToBlank(600);
  SendButton(TButton::Left, true, Input.After(static_cast<DWORD>(Roll(60, 400))));
  SendButton(TButton::Left, false, Input.After(static_cast<DWORD>(Roll(30, 150))));
  if (Roll(0, 2) == 0) {
    // A worn button's bounce right after the release, eaten by the double-click fix.
    SendButton(TButton::Left, true, Input.After(static_cast<DWORD>(Roll(5, 45))));
    SendButton(TButton::Left, false, Input.After(static_cast<DWORD>(Roll(5, 30))));
  }
}

void TSoakRun::ActWheelRun() {
  if (!PtInRect(&Blank, Cursor)) ReturnToBlank(600);
  const int notches = Roll(3, 15);
  const int way = Roll(0, 1) == 0 ? WHEEL_DELTA : -WHEEL_DELTA;
  const bool fast = Roll(0, 2) != 0;
  Input.After(static_cast<DWORD>(Roll(100, 900)));
  for (int i = 0; i < notches; ++i) {
    const DWORD gap = static_cast<DWORD>(fast ? Roll(20, 95) : Roll(60, 400));
    // Now and then a notch the other way, as a worn wheel gives.
    const int delta = Roll(0, 5) == 0 ? -way : way;
    SendWheel(delta, Input.After(gap));
  }
}

void TSoakRun::ActShake() {
  // Patterns after a pause well over the 450 ms a shake needs to be armed again: a quick one
  // of each direction (fires), the same at a tenth of the speed, and one too short (neither).
  const int kind = Roll(0, 5);
  const bool vertical = kind == 1 || kind == 4;
  const bool slow = kind == 2 || kind == 4;
  const bool shortOne = kind == 3;
  std::vector<POINT> path;
  if (vertical) {
    const LONG x = Roll(Blank.left, Blank.right);
    SendMoves({{x, 100}}, {1100}, true);
    for (LONG y : {250, 400, 550, 700, 575, 450, 325, 200}) path.push_back({x, y});
  } else {
    const LONG y = Roll(Blank.top, Blank.bottom);
    SendMoves({{200, y}}, {1100}, true);
    if (shortOne)
      for (LONG x : {350, 500, 650, 500, 350}) path.push_back({x, y});
    else
      for (LONG x : {400, 600, 800, 550, 300}) path.push_back({x, y});
  }
  SendMoves(path, std::vector<DWORD>(path.size(), slow ? 10u : 1u), true);
  ++Sent.Shakes;
  if (!slow && !shortOne) Model->ShakeFired(vertical ? TMouseInput::ShakeVertical : TMouseInput::ShakeHorizontal);
  ReturnToBlank(1100);
}

void TSoakRun::RunBatch(int budget) {
  const uint64_t until = Sent.Total + static_cast<uint64_t>(budget);
  // Weights of the actions, in the order of the switch below.
  static const int weights[] = {30, 22, 8, 6, 8, 5, 10, 2};
  const int total = [] {
    int sum = 0;
    for (int w : weights) sum += w;
    return sum;
  }();
  while (Sent.Total < until) {
    Input.After(static_cast<DWORD>(Roll(30, 300)));
    int pick = Roll(0, total - 1), action = 0;
    while (pick >= weights[action]) pick -= weights[action++];
    switch (action) {
      case 0: ActWalk(); break;
      case 1: ActTyping(); break;
      case 2: ActChord(true); break;
      case 3: ActChord(false); break;
      case 4: ActButtonClick(); break;
      case 5: ActLeftClick(); break;
      case 6: ActWheelRun(); break;
      default: ActShake(); break;
    }
  }
}

}  // namespace pelorin::soak
