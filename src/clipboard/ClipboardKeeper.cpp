#include "clipboard/ClipboardKeeper.h"

namespace pelorin {

void TClipboardKeeper::SetOptions(const TClipboardOptions& options) {
  std::lock_guard<std::mutex> lock(OptionsLock);
  Opts = options;
}

TClipboardOptions TClipboardKeeper::Options() const {
  std::lock_guard<std::mutex> lock(OptionsLock);
  return Opts;
}

void TClipboardKeeper::Tick() {
  if (!LoadDone.load(std::memory_order_acquire)) {
    // No capture is merged before the stored history and the clipboard's content are in.
    if (LoadRequested.load(std::memory_order_acquire)) StartLoad();
    return;
  }
  if (L.Chain.CaptureDue()) {
    Capture();
    ClipCheckTicks = 0;
    return;
  }
  if (++ClipCheckTicks < CheckTicks) return;
  ClipCheckTicks = 0;
  CheckChainAndSave();
}

void TClipboardKeeper::StartLoad() {
  TClipboardOptions options = Options();
  if (options.SaveFile) {
    std::lock_guard<std::mutex> lock(FileLock);
    LoadFile(true);
  }
  TClipboardData snapshot;
  ClipboardReadStatus read;
  {
    std::lock_guard<std::mutex> lock(ClipboardLock);
    read = L.System.ReadClipboard(snapshot);
  }
  if (read == ClipboardReadStatus::Captured && !snapshot.Items.empty()) {
    TMergeResult merged =
        L.History.AddClipboardData(snapshot, {L.System.Now(), options.MaxUnchecked, options.MaxMemoryMb});
    if (merged.SetClipboardTop) SetClipboardItem(merged.Count - 1);
  } else if (int high = L.History.ClpHigh(); read == ClipboardReadStatus::Empty && high >= 0) {
    // Only a truly empty clipboard gets the newest item back. A content that is not kept (a
    // password, a picture only a handle holds) or a clipboard that stayed busy is the user's:
    // the next paste must give what they copied.
    SetClipboardItem(high);
  }
  ApplyLimits();
  LoadDone.store(true, std::memory_order_release);
  if (OnChanged) OnChanged();
}

void TClipboardKeeper::Capture() {
  // Back to idle before the read: a change during the read makes another capture due rather
  // than being lost (the same content again is only a hit).
  L.Chain.CaptureDone();
  TClipboardData snapshot;
  {
    std::lock_guard<std::mutex> lock(ClipboardLock);
    L.System.ReadClipboard(snapshot);
  }
  if (snapshot.Items.empty()) return;
  TClipboardOptions options = Options();
  TMergeResult merged =
      L.History.AddClipboardData(snapshot, {L.System.Now(), options.MaxUnchecked, options.MaxMemoryMb});
  if (merged.SetClipboardTop) SetClipboardItem(merged.Count - 1);
  if (OnChanged) OnChanged();
}

void TClipboardKeeper::CheckChainAndSave() {
  // Another viewer that broke the chain leaves Pelorin deaf to every copy until it rejoins.
  if (!L.System.HeadsViewerChain()) L.System.RejoinViewerChain();
  TClipboardOptions options = Options();
  if (!options.SaveFile || ManagerVisible.load(std::memory_order_relaxed)) return;
  {
    std::lock_guard<std::mutex> lock(FileLock);
    // The option was switched on after the start, or the file was held by another program.
    if (FilePending) {
      if (!LoadFile(false)) return;
      if (OnChanged) OnChanged();
    }
  }
  if (L.History.ClpDataChanged()) Save();
}

bool TClipboardKeeper::LoadFile(bool atStart) {
  TClpLoadResult loaded = LoadClipboardFile(L.Files, L.ClpPath);
  if (loaded.Status == ClpLoadStatus::Unreadable) return false;
  FilePending = false;
  Stored = std::move(loaded.Stored);
  if (loaded.Items.empty() && loaded.Status != ClpLoadStatus::Damaged) return true;
  if (atStart && L.History.ClpHigh() < 0) {
    for (TClipboardData& record : loaded.Items) L.History.AppendLoaded(std::move(record));
  } else {
    L.History.PrependLoaded(std::move(loaded.Items));
  }
  if (loaded.Status == ClpLoadStatus::Damaged) {
    // Cut the file to what was read, whatever the option says: it must not stay damaged.
    SaveSnapshot();
    L.System.DamagedFileLoaded();
  }
  return true;
}

bool TClipboardKeeper::Save() {
  std::lock_guard<std::mutex> lock(FileLock);
  if (FilePending && !LoadFile(false)) return false;
  return SaveSnapshot();
}

bool TClipboardKeeper::SaveSnapshot() {
  // The items are shared and never change: the file is written with the history's lock
  // released, so readers on the GUI thread (which also runs the hooks) never wait for a disk.
  THistorySnapshot snapshot = L.History.Snapshot();
  if (!SaveClipboardSnapshot(L.Files, L.ClpPath, snapshot.Items, Stored)) return false;
  L.History.MarkSaved(snapshot.Version);
  return true;
}

bool TClipboardKeeper::SaveIfChanged() {
  if (!Options().SaveFile) return true;
  {
    std::lock_guard<std::mutex> lock(FileLock);
    if (FilePending && !LoadFile(false)) return false;
  }
  if (!L.History.ClpDataChanged()) return true;
  return Save();
}

bool TClipboardKeeper::SetClipboardItem(int index) {
  // Written with the history's lock released: emptying the clipboard sends to its owner, which
  // may be a Pelorin window waiting for that lock.
  TSharedItem item;
  if (index >= 0 && !(item = L.History.ShareItem(index))) return false;
  std::lock_guard<std::mutex> lock(ClipboardLock);
  // Only once the clipboard is open: a write that never happened must not swallow the
  // notification of the user's next copy.
  auto opened = [this] { L.Chain.IgnoreNext(); };
  return L.System.WriteClipboard(item.get(), opened);
}

bool TClipboardKeeper::SetClipboardItemById(uint64_t id) {
  TSharedItem item = L.History.ShareById(id);
  if (!item) return false;
  std::lock_guard<std::mutex> lock(ClipboardLock);
  auto opened = [this] { L.Chain.IgnoreNext(); };
  return L.System.WriteClipboard(item.get(), opened);
}

bool TClipboardKeeper::SetClipboardTop() {
  // An empty history empties the clipboard.
  TSharedItem item = L.History.ShareNewest();
  std::lock_guard<std::mutex> lock(ClipboardLock);
  auto opened = [this] { L.Chain.IgnoreNext(); };
  return L.System.WriteClipboard(item.get(), opened);
}

int TClipboardKeeper::ApplyLimits() {
  TClipboardOptions options = Options();
  L.History.CheckUncheckedCount(options.MaxUnchecked);
  L.History.CheckUncheckedMemory(options.MaxMemoryMb);
  return L.History.ClpHigh() + 1;
}

}  // namespace pelorin
