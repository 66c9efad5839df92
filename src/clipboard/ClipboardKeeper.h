#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "clipboard/ClipboardChain.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/ClpFile.h"

namespace pelorin {

// What the keeper needs of the system. Read and Write may run on any thread; the keeper never
// runs two of them at once.
struct ClipboardSystemPort {
  virtual ~ClipboardSystemPort() = default;
  // The clipboard's whole content; no formats unless Captured.
  virtual ClipboardReadStatus ReadClipboard(TClipboardData& snapshot) = 0;
  // Replaces the clipboard's content with item (null: empties it); opened runs once the
  // clipboard is open, before anything changes. False when it stayed busy.
  virtual bool WriteClipboard(const TClipboardData* item, const std::function<void()>& opened) = 0;
  // Pelorin's main window is the first clipboard viewer.
  virtual bool HeadsViewerChain() = 0;
  // Leaves the viewer chain and joins it again at its head (in the GUI thread, which takes the
  // notification that joining sends).
  virtual void RejoinViewerChain() = 0;
  // Local date-time: days since 1899-12-30.
  virtual double Now() = 0;
  // A damaged data file was loaded (and rewritten): tell the user, once.
  virtual void DamagedFileLoaded() = 0;
};

// The settings the keeper reads; the GUI thread mirrors them on load and on every change.
struct TClipboardOptions {
  int MaxUnchecked = 20;
  int MaxMemoryMb = 1000;
  bool SaveFile = false;  // "Save the data of Clipboard Manager"
};

// The clipboard history kept up to date: captures of every change the viewer chain reports,
// the data file loaded once and saved when something changed, and items put back on the
// clipboard. The worker's tick drives the captures and the periodic save; the GUI thread asks
// for the start-up load, for saves on standby and exit, and puts items on the clipboard.
class TClipboardKeeper {
 public:
  // Passes of the worker between two chain checks and periodic saves (about 3 s).
  static constexpr int CheckTicks = 60;

  struct Links {
    TClipboardHistory& History;
    TClipboardChain& Chain;
    ClipboardSystemPort& System;
    ClpFilePort& Files;
    std::wstring ClpPath;
  };

  explicit TClipboardKeeper(const Links& links) : L(links) {}
  TClipboardKeeper(const TClipboardKeeper&) = delete;
  TClipboardKeeper& operator=(const TClipboardKeeper&) = delete;

  // The history changed on the worker (a capture, the start load, a late load): the window
  // follows. Set before the worker starts; runs on the worker thread.
  std::function<void()> OnChanged;

  void SetOptions(const TClipboardOptions& options);
  TClipboardOptions Options() const;
  // The Clipboard Manager shows: no periodic save meanwhile.
  void SetManagerVisible(bool visible) { ManagerVisible.store(visible, std::memory_order_relaxed); }

  // Start-up asks for the data file and the initial merge. They run at the worker's next
  // tick, before any capture: a file of gigabytes must not hold up the GUI thread.
  void RequestStartLoad() { LoadRequested.store(true, std::memory_order_release); }
  bool StartLoadDone() const { return LoadDone.load(std::memory_order_acquire); }

  // One pass of the worker: the start load when asked for, a due capture, and every
  // CheckTicks passes the chain check and the periodic save.
  void Tick();
  // A change notification arrived and its capture has not run yet.
  bool CaptureDue() const { return L.Chain.CaptureDue(); }

  // Suspend, session end, exit: a save when the option is on and something changed. True
  // when nothing was left to save.
  bool SaveIfChanged();

  // The item at index (0 .. ClpHigh) on the clipboard; below 0 only empties it. The
  // notification it causes is not captured. False when the clipboard stayed busy.
  bool SetClipboardItem(int index);
  // The same by the item's number: nothing when it left the history (false). And the newest
  // item, whichever it is at the moment of the write; an empty history empties the clipboard.
  bool SetClipboardItemById(uint64_t id);
  bool SetClipboardTop();

  // Apply: both limits now; the item count after them.
  int ApplyLimits();

 private:
  void StartLoad();
  void Capture();
  void CheckChainAndSave();
  // Reads the data file; false when it is there but could not be read (try again later).
  bool LoadFile(bool atStart);
  bool Save();
  // Writes a snapshot of the history (FileLock held).
  bool SaveSnapshot();

  Links L;
  mutable std::mutex OptionsLock;
  TClipboardOptions Opts;
  std::atomic<bool> ManagerVisible{false};
  std::atomic<bool> LoadRequested{false};
  std::atomic<bool> LoadDone{false};

  // Reading and writing the clipboard, one at a time. The history's lock is never taken
  // while it is held.
  std::mutex ClipboardLock;
  // The data file: what it holds and whether it still has to be read (a file that could not
  // be read, or the option switched on after the start, is read before the first save, which
  // would otherwise replace it).
  std::mutex FileLock;
  TClpStored Stored;
  bool FilePending = true;

  // Worker thread only.
  int ClipCheckTicks = 0;
};

}  // namespace pelorin
