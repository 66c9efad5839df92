#pragma once
#include <windows.h>

#include <atomic>
#include <string_view>

#include "base/GuiThread.h"
#include "clipboard/ClipboardChain.h"
#include "clipboard/ClipboardKeeper.h"

namespace pelorin {

// Local time now as a date-time double (days since 1899-12-30), to the millisecond.
double LocalDateTimeNow();

// The clipboard and the viewer chain for the keeper, for one main window. The reads and writes
// run on the calling thread (the worker's, as a rule: a content of 100 MB is copied there,
// never on the GUI thread that runs the hooks); joining the chain and the damaged-file message
// go to the GUI thread.
class TClipboardSystemWin final : public ClipboardSystemPort {
 public:
  TClipboardSystemWin(TClipboardChain& chain, GuiThreadPort& gui) : Chain(chain), Gui(gui) {}

  // GUI thread, at start-up: the main window joins the viewer chain. The notification this
  // sends at once is swallowed (the chain starts ignoring).
  void Join(HWND mainWindow);
  // GUI thread, at exit.
  void Leave();

  // The chain's messages to the main window; true when the message was one of them.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  ClipboardReadStatus ReadClipboard(TClipboardData& snapshot) override;
  bool WriteClipboard(const TClipboardData* item, const std::function<void()>& opened) override;
  bool HeadsViewerChain() override;
  void RejoinViewerChain() override;
  double Now() override { return LocalDateTimeNow(); }
  void DamagedFileLoaded() override;

 private:
  void Forward(UINT message, WPARAM wParam, LPARAM lParam);

  TClipboardChain& Chain;
  GuiThreadPort& Gui;
  // Set and cleared by the GUI thread, read by the worker.
  std::atomic<HWND> Main{nullptr};
};

}  // namespace pelorin
