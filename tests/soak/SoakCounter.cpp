#include "SoakCounter.h"

namespace pelorin::soak {

namespace {

TSoakCounter* Current = nullptr;

}  // namespace

bool TSoakCounter::Start() {
  Current = this;
  std::atomic<int> installed{0};
  Thread = std::thread([this, &installed] {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread gets its queue
    HINSTANCE self = ::GetModuleHandleW(nullptr);
    HHOOK keys = ::SetWindowsHookExW(WH_KEYBOARD_LL, KeyProc, self, 0);
    HHOOK mouse = ::SetWindowsHookExW(WH_MOUSE_LL, MouseProc, self, 0);
    ThreadId = ::GetCurrentThreadId();
    installed = keys != nullptr && mouse != nullptr ? 1 : -1;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (keys != nullptr) ::UnhookWindowsHookEx(keys);
    if (mouse != nullptr) ::UnhookWindowsHookEx(mouse);
  });
  while (installed == 0) ::Sleep(1);
  return installed == 1;
}

void TSoakCounter::Stop() {
  if (!Thread.joinable()) return;
  ::PostThreadMessageW(ThreadId, WM_QUIT, 0, 0);
  Thread.join();
  Current = nullptr;
}

TCounterSnapshot TSoakCounter::Read() const {
  std::lock_guard<std::mutex> lock(Lock);
  return Counts;
}

LRESULT CALLBACK TSoakCounter::KeyProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && Current != nullptr) Current->OnKey(wParam, *reinterpret_cast<KBDLLHOOKSTRUCT*>(lParam));
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK TSoakCounter::MouseProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && Current != nullptr) Current->OnMouse(wParam, *reinterpret_cast<MSLLHOOKSTRUCT*>(lParam));
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void TSoakCounter::OnKey(WPARAM message, const KBDLLHOOKSTRUCT& k) {
  const bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
  const BYTE vk = static_cast<BYTE>(k.vkCode);
  std::lock_guard<std::mutex> lock(Lock);
  if (vk == 255 && k.scanCode == 255) {
    ++Counts.Probes;
  } else if ((k.flags & LLKHF_INJECTED) == 0) {
    ++Counts.ForeignKeys;
  } else if (k.time == e2e::OwnInputMark) {
    // Pelorin presses a replay's keys in order, then releases them in the same order; one
    // replay ends when its last key is up.
    const int index = ReplayKeyIndex(vk);
    if (index == 0) {
      ++Counts.MarkedOther;
    } else if (!up) {
      if (SequenceHeld == 0) SequenceLength = 0;
      if (SequenceLength < static_cast<int>(Sequence.size())) Sequence[SequenceLength++] = index;
      ++SequenceHeld;
    } else if (SequenceHeld > 0 && --SequenceHeld == 0) {
      int id = 0;
      for (int i = 0; i < SequenceLength; ++i) id = id * 13 + Sequence[i];
      if (id < ReplayIdCount) ++Counts.Replays[id];
    }
  } else {
    (up ? Counts.Passed.KeyUp : Counts.Passed.KeyDown)[vk]++;
    if (up && vk == VK_F12) Counts.LastSyncTime = k.time;
  }
}

void TSoakCounter::OnMouse(WPARAM message, const MSLLHOOKSTRUCT& m) {
  std::lock_guard<std::mutex> lock(Lock);
  if (m.time == e2e::ProbeMark) {
    ++Counts.Probes;
    return;
  }
  if ((m.flags & LLMHF_INJECTED) == 0) {
    ++Counts.ForeignMouse;
    return;
  }
  const bool own = m.time == e2e::OwnInputMark;
  const int delta = static_cast<short>(HIWORD(m.mouseData));
  if (own) {
    if (message == WM_MOUSEWHEEL)
      ++(delta > 0 ? Counts.MarkedWheelUp : Counts.MarkedWheelDown);
    else
      ++Counts.MarkedOther;
    return;
  }
  TPassCounts& p = Counts.Passed;
  const int x = HIWORD(m.mouseData);
  switch (message) {
    case WM_MOUSEMOVE: ++p.Moves; break;
    case WM_LBUTTONDOWN: ++p.ButtonDown[static_cast<size_t>(TButton::Left)]; break;
    case WM_LBUTTONUP: ++p.ButtonUp[static_cast<size_t>(TButton::Left)]; break;
    case WM_RBUTTONDOWN: ++p.ButtonDown[static_cast<size_t>(TButton::Right)]; break;
    case WM_RBUTTONUP: ++p.ButtonUp[static_cast<size_t>(TButton::Right)]; break;
    case WM_MBUTTONDOWN: ++p.ButtonDown[static_cast<size_t>(TButton::Middle)]; break;
    case WM_MBUTTONUP: ++p.ButtonUp[static_cast<size_t>(TButton::Middle)]; break;
    case WM_XBUTTONDOWN: ++p.ButtonDown[static_cast<size_t>(x == XBUTTON1 ? TButton::X1 : TButton::X2)]; break;
    case WM_XBUTTONUP: ++p.ButtonUp[static_cast<size_t>(x == XBUTTON1 ? TButton::X1 : TButton::X2)]; break;
    case WM_MOUSEWHEEL: ++(delta > 0 ? p.WheelUp : p.WheelDown); break;
    default: break;
  }
}

}  // namespace pelorin::soak
