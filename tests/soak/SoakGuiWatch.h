// How long Pelorin's GUI thread, which runs both hooks, takes to answer a message: a thread of
// the driver asks every 100 ms. A thread that does not take messages for 5 s is taken for hung
// by Wine, which then passes input on without calling its hooks (Windows times such hooks out
// and finally removes them): every long answer is a window in which the hooks were not served.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelorin::soak {

class TGuiWatch {
 public:
  explicit TGuiWatch(const std::atomic<uint64_t>& events) : Events(events) {}
  TGuiWatch(const TGuiWatch&) = delete;
  TGuiWatch& operator=(const TGuiWatch&) = delete;
  ~TGuiWatch() { Stop(); }

  void Start(HWND window);
  void SetWindow(HWND window) { Window = window; }
  void Stop();

  struct TFigures {
    uint64_t Asked = 0;
    DWORD LongestMs = 0;
    uint64_t Over250Ms = 0;
    uint64_t Over1s = 0;
    std::vector<std::string> Stalls;  // the first answers over 1 s: when and how long
  };
  TFigures Read() const;

 private:
  const std::atomic<uint64_t>& Events;
  std::atomic<HWND> Window{nullptr};
  std::atomic<bool> Stopping{false};
  std::thread Thread;
  mutable std::mutex Lock;
  TFigures Figures;
};

}  // namespace pelorin::soak
