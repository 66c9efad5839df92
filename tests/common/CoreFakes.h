// Fakes of the core's small ports that the unit tests and benchmarks share: an event log, the
// notes, the GUI thread, the typed characters and a synthetic-input sink.
#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/GuiThread.h"
#include "base/NotePort.h"
#include "clipboard/ClipboardKeeper.h"
#include "input/KeyboardHook.h"
#include "input/MouseHook.h"
#include "input/TypedChars.h"
#include "tracked/SyntheticInput.h"

namespace pelorin {

inline std::string Narrow(std::wstring_view w) { return std::string(w.begin(), w.end()); }

// A clipboard that is always empty and takes every write: for runs that only exercise the history.
struct EmptyClipboardSystem : ClipboardSystemPort {
  ClipboardReadStatus ReadClipboard(TClipboardData& snapshot) override {
    snapshot.Items.clear();
    return ClipboardReadStatus::Empty;
  }
  bool WriteClipboard(const TClipboardData*, const std::function<void()>&) override { return true; }
  bool HeadsViewerChain() override { return true; }
  void RejoinViewerChain() override {}
  double Now() override { return 46000.0; }
  void DamagedFileLoaded() override {}
};

// Everything a fake saw, in order, as readable lines. Lines may be added from another thread;
// read Lines directly only when that thread is stopped, or wait for them.
struct EventLog {
  std::vector<std::string> Lines;

  void Add(std::string line) {
    {
      std::lock_guard guard(Lock);
      Lines.push_back(std::move(line));
    }
    Grown.notify_all();
  }
  // Waits until at least n lines are there; false when the deadline passed first. The
  // deadline only bounds a test that is about to fail.
  bool WaitForLines(size_t n, std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
    std::unique_lock guard(Lock);
    return Grown.wait_for(guard, deadline, [&] { return Lines.size() >= n; });
  }
  std::vector<std::string> Copy() {
    std::lock_guard guard(Lock);
    return Lines;
  }

 private:
  std::mutex Lock;
  std::condition_variable Grown;
};

struct FakeNotes : NotePort {
  EventLog& L;
  explicit FakeNotes(EventLog& l) : L(l) {}
  void ShowNote(std::wstring_view text, bool forced, int32_t level) override {
    L.Add("note '" + Narrow(text) + "'" + (forced ? " forced" : "") + " level " + std::to_string(level));
  }
};

// Queued GUI work waits until the test runs it, so a test sees that it was queued and not run
// in the thread that queued it. Synchronized work runs at once.
struct QueueingGui : GuiThreadPort {
  std::mutex Lock;
  std::vector<std::function<void()>> Queued;

  bool Synchronize(const std::function<void()>& work) override {
    work();
    return true;
  }
  // How many of the next Queue calls fail, as a full message queue makes them fail.
  int FailNextQueues = 0;

  bool Queue(std::function<void()> work) override {
    std::lock_guard guard(Lock);
    if (FailNextQueues > 0) {
      --FailNextQueues;
      return false;
    }
    Queued.push_back(std::move(work));
    return true;
  }
  size_t Pending() {
    std::lock_guard guard(Lock);
    return Queued.size();
  }
  void RunQueued() {
    std::vector<std::function<void()>> work;
    {
      std::lock_guard guard(Lock);
      work = std::move(Queued);
      Queued.clear();
    }
    for (auto& w : work) w();
  }
};

struct NoTypedChars : TypedCharsPort {
  void ClearTypedChars() override {}
};

// The real typed characters, counting the clears.
struct CountingTypedChars : TTypedChars {
  int Clears = 0;
  void ClearTypedChars() override {
    ++Clears;
    TTypedChars::ClearTypedChars();
  }
};

// Own synthetic input as the command thread's tests read it: "key down 162 marked",
// "mouse 2 data 0 marked".
inline std::string DescribeOwnInput(const TInputRecord& r) {
  if (r.Kind == InputKind::Keyboard)
    return std::string((r.Key.Flags & KeyFlag::KeyUp) ? "key up " : "key down ") + std::to_string(r.Key.Vk) +
           (r.Key.Time == OwnInputMark ? " marked" : " UNMARKED");
  return "mouse " + std::to_string(r.Mouse.Flags) + " data " + std::to_string(r.Mouse.MouseData) +
         (r.Mouse.Time == OwnInputMark ? " marked" : " UNMARKED");
}

// Records every call in order: a batch, or the pointer put back. With a log it also writes a
// line per record; with hooks attached it hands each record back to them the way the system
// re-enters the hooks (mouse events at no particular point).
struct RecordingSink : SyntheticInputPort {
  struct Call {
    std::vector<TInputRecord> Batch;
    std::optional<TPoint> Pointer;
  };
  uintptr_t ExtraInfo = 0;
  std::vector<Call> Calls;
  EventLog* Log = nullptr;
  std::function<std::string(const TInputRecord&)> Describe = DescribeOwnInput;
  TMouseHook* Mouse = nullptr;
  TKeyboardHook* Keyboard = nullptr;
  bool MouseAlive = true;
  bool KeyboardAlive = true;

  uintptr_t CurrentExtraInfo() override { return ExtraInfo; }
  void SendBatch(const TInputBatch& batch) override {
    Calls.push_back({{batch.begin(), batch.end()}, std::nullopt});
    for (const TInputRecord& r : batch) {
      if (Log != nullptr) Log->Add(Describe(r));
      if (r.Kind == InputKind::Mouse) {
        if (Mouse != nullptr && MouseAlive) LoopMouse(r);
      } else if (Keyboard != nullptr && KeyboardAlive) {
        bool up = (r.Key.Flags & KeyFlag::KeyUp) != 0;
        Keyboard->KeyboardHookProc({r.Key.Vk, r.Key.Scan, up ? KeyReleasedFlag : 0u, r.Key.Time});
      }
    }
  }
  void PutPointerAt(TPoint p) override { Calls.push_back({{}, p}); }

 private:
  void LoopMouse(const TInputRecord& r) {
    static constexpr std::pair<uint32_t, uint32_t> Messages[] = {
        {MouseFlag::Move, MouseMsg::Move},           {MouseFlag::LeftDown, MouseMsg::LButtonDown},
        {MouseFlag::LeftUp, MouseMsg::LButtonUp},    {MouseFlag::RightDown, MouseMsg::RButtonDown},
        {MouseFlag::RightUp, MouseMsg::RButtonUp},   {MouseFlag::Wheel, MouseMsg::Wheel}};
    for (auto [flag, message] : Messages) {
      if ((r.Mouse.Flags & flag) == 0) continue;
      uint32_t data = flag == MouseFlag::Wheel ? static_cast<uint32_t>(r.Mouse.MouseData) << 16 : 0;
      Mouse->MouseHookProc({message, 0, 0, data, r.Mouse.Time});
    }
  }
};

}  // namespace pelorin
