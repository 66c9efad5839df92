#include "SoakGuiWatch.h"

namespace pelorin::soak {

void TGuiWatch::Start(HWND window) {
  Window = window;
  Thread = std::thread([this] {
    while (!Stopping) {
      const ULONGLONG asked = ::GetTickCount64();
      DWORD_PTR ignored = 0;
      // No SMTO_ABORTIFHUNG: the point is to see how long a hung thread stays hung.
      ::SendMessageTimeoutW(Window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
      const DWORD took = static_cast<DWORD>(::GetTickCount64() - asked);
      {
        std::lock_guard<std::mutex> lock(Lock);
        ++Figures.Asked;
        if (took > Figures.LongestMs) Figures.LongestMs = took;
        if (took > 250) ++Figures.Over250Ms;
        if (took > 1000) {
          ++Figures.Over1s;
          if (Figures.Stalls.size() < 20)
            Figures.Stalls.push_back(std::to_string(took) + " ms after " + std::to_string(Events.load()) + " events");
        }
      }
      ::Sleep(100);
    }
  });
}

void TGuiWatch::Stop() {
  Stopping = true;
  if (Thread.joinable()) Thread.join();
}

TGuiWatch::TFigures TGuiWatch::Read() const {
  std::lock_guard<std::mutex> lock(Lock);
  return Figures;
}

}  // namespace pelorin::soak
