#include "app/win/GuiDispatcher.h"

#include "app/win/Fatal.h"

namespace pelorin {

namespace {
constexpr UINT RunWorkMessage = WM_APP + 1;
constexpr wchar_t DispatcherClass[] = L"PelorinGuiDispatcher";
}  // namespace

// One piece of work on its way to the GUI thread. The flags are guarded by the dispatcher's
// lock. A Synchronize item is freed by its waiter once settled, or by the GUI thread when the
// waiter gave up at shutdown; a queued item by the GUI thread.
struct TGuiDispatcher::Item {
  TGuiDispatcher* Owner = nullptr;
  std::function<void()> Work;                   // queued work
  const std::function<void()>* Waited = nullptr;  // Synchronize work while its caller waits
  bool Settled = false;
  bool Ran = false;
};

bool TGuiDispatcher::Create(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = DispatcherClass;
  ::RegisterClassExW(&wc);  // fails harmlessly when already registered
  Window = ::CreateWindowExW(0, DispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (Window == nullptr) return false;
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
  while (::PeekMessageW(&msg, Window, RunWorkMessage, RunWorkMessage, PM_REMOVE))
    Finish(reinterpret_cast<Item*>(msg.lParam), false);
  Finished.notify_all();
  ::DestroyWindow(Window);
  Window = nullptr;
}

bool TGuiDispatcher::Synchronize(const std::function<void()>& work) {
  if (::GetCurrentThreadId() == GuiThreadId) {
    if (Closed) return false;
    work();
    return true;
  }
  std::unique_lock guard(Lock);
  if (Closed) return false;
  auto* item = new Item{this, {}, &work};
  if (!::PostMessageW(Window, RunWorkMessage, 0, reinterpret_cast<LPARAM>(item))) {
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

void TGuiDispatcher::Queue(std::function<void()> work) {
  std::lock_guard guard(Lock);
  if (Closed) return;
  auto* item = new Item{this, std::move(work), nullptr};
  if (!::PostMessageW(Window, RunWorkMessage, 0, reinterpret_cast<LPARAM>(item))) delete item;
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
  TGuiDispatcher* self = item->Owner;
  const std::function<void()>* waited;
  {
    std::lock_guard guard(self->Lock);
    waited = item->Waited;
  }
  try {
    if (waited != nullptr)
      (*waited)();
    else if (item->Work)
      item->Work();
  } catch (...) {
    self->Finish(item, true);
    UnexpectedException();
    return;
  }
  self->Finish(item, true);
}

LRESULT CALLBACK TGuiDispatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == RunWorkMessage) {
    Run(reinterpret_cast<Item*>(lParam));
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace pelorin
