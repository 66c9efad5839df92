#include "app/win/GuiDispatcher.h"

#include "common/win/Messages.h"

namespace pelorin {

namespace {
constexpr wchar_t DispatcherClass[] = L"PelorinGuiDispatcher";
}  // namespace

// One piece of work on its way to the GUI thread. The flags are guarded by the dispatcher's
// lock. A Synchronize item is freed by its waiter once settled, or by the GUI thread when the
// waiter gave up at shutdown; a queued item by the GUI thread.
struct TGuiDispatcher::Item {
  std::function<void()> Work;                   // queued work
  const std::function<void()>* Waited = nullptr;  // Synchronize work while its caller waits
  bool Settled = false;
  bool Ran = false;
};

bool TGuiDispatcher::Create(HINSTANCE instance) {
  if (!CreateHandle(instance, {.Name = DispatcherClass, .Cursor = nullptr}, {.Parent = HWND_MESSAGE})) return false;
  GuiThreadId = ::GetCurrentThreadId();
  Closed = false;
  return true;
}

void TGuiDispatcher::Close() {
  {
    // Under the lock, so nothing is posted after this point.
    std::lock_guard guard(Lock);
    if (Closed.exchange(true)) return;
  }
  MSG msg;
  while (::PeekMessageW(&msg, Handle(), GuiWorkMessage, GuiWorkMessage, PM_REMOVE))
    Finish(reinterpret_cast<Item*>(msg.lParam), false);
  Finished.notify_all();
  Destroy();
}

bool TGuiDispatcher::Synchronize(const std::function<void()>& work) {
  if (::GetCurrentThreadId() == GuiThreadId) {
    if (Closed) return false;
    work();
    return true;
  }
  std::unique_lock guard(Lock);
  if (Closed) return false;
  auto* item = new Item{{}, &work};
  if (!::PostMessageW(Handle(), GuiWorkMessage, 0, reinterpret_cast<LPARAM>(item))) {
    delete item;
    return false;
  }
  Finished.wait(guard, [&] { return item->Settled || Closed.load(); });
  if (!item->Settled) {
    item->Waited = nullptr;  // given up at shutdown: the GUI thread frees it
    return false;
  }
  bool ran = item->Ran;
  delete item;
  return ran;
}

bool TGuiDispatcher::Queue(std::function<void()> work) {
  std::lock_guard guard(Lock);
  if (Closed) return false;
  auto* item = new Item{std::move(work), nullptr};
  if (::PostMessageW(Handle(), GuiWorkMessage, 0, reinterpret_cast<LPARAM>(item))) return true;
  delete item;  // a full message queue
  return false;
}

void TGuiDispatcher::Finish(Item* item, bool ran) {
  bool waiterFrees = false;
  {
    std::lock_guard guard(Lock);
    if (item->Waited != nullptr) {
      item->Settled = true;
      item->Ran = ran;
      waiterFrees = true;
    }
  }
  if (waiterFrees)
    Finished.notify_all();
  else
    delete item;
}

void TGuiDispatcher::Run(Item* item) noexcept {
  const std::function<void()>* waited;
  {
    std::lock_guard guard(Lock);
    waited = item->Waited;
  }
  try {
    if (waited != nullptr)
      (*waited)();
    else if (item->Work)
      item->Work();
  } catch (...) {
    Finish(item, true);
    ReportEscapedException();
    return;
  }
  Finish(item, true);
}

LRESULT TGuiDispatcher::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == GuiWorkMessage) {
    Run(reinterpret_cast<Item*>(lParam));
    return 0;
  }
  return DefaultMessage(message, wParam, lParam);
}

}  // namespace pelorin
