// The thread that runs the low-level hooks also reads the clipboard history (painting the
// Clipboard Manager, Apply, paste). A whole rewrite of a 200 MB Pelorin.clp on the worker must
// not keep it out: with the real hooks installed, the worker's keyboard probe is sent while
// the rewrite runs, this thread reads the history as a paint does, and the probe must be
// answered while the file is still being written.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "WinHookRig.h"
#include "WinTestSupport.h"
#include "clipboard/ClipboardChain.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/ClipboardKeeper.h"
#include "clipboard/ClpFile.h"
#include "clipboard/win/ClpFilePortWin.h"
#include "input/KeyboardHook.h"
#include "input/win/HookInstaller.h"
#include "CoreFakes.h"

namespace pelorin::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int Items = 200;
constexpr size_t ItemBytes = 1 << 20;
constexpr auto Deadline = 10s;

struct Latin1 : AnsiCodePagePort {
  std::string ToAnsi(std::wstring_view text) const override { return std::string(text.begin(), text.end()); }
  std::wstring FromAnsi(std::string_view bytes) const override { return std::wstring(bytes.begin(), bytes.end()); }
};

// The real files, with the rewrite's last step (the flush before the replace) held until the
// probe is settled: the whole 200 MB has been written by then, and the rewrite is certainly
// still running when the probe is answered, however fast the disk.
class HeldFiles : public ClpFilePort {
 public:
  Presence Probe(const std::wstring& path) override { return Real.Probe(path); }
  std::unique_ptr<ClpOpenFile> Open(const std::wstring& path, Mode mode) override {
    std::unique_ptr<ClpOpenFile> file = Real.Open(path, mode);
    if (!file) return nullptr;
    return std::make_unique<File>(*this, std::move(file));
  }
  bool Replace(const std::wstring& from, const std::wstring& to) override { return Real.Replace(from, to); }
  bool Remove(const std::wstring& path) override { return Real.Remove(path); }

  bool WaitWriting() {
    std::unique_lock guard(Lock);
    return Changed.wait_for(guard, Deadline, [&] { return Writing; });
  }
  void Release() {
    {
      std::lock_guard guard(Lock);
      Released = true;
    }
    Changed.notify_all();
  }
  std::atomic<uint64_t> Bytes{0};

 private:
  struct File : ClpOpenFile {
    HeldFiles& Owner;
    std::unique_ptr<ClpOpenFile> Real;
    File(HeldFiles& owner, std::unique_ptr<ClpOpenFile> real) : Owner(owner), Real(std::move(real)) {}
    bool Size(uint64_t& size) override { return Real->Size(size); }
    bool ReadAt(uint64_t offset, void* out, size_t count) override { return Real->ReadAt(offset, out, count); }
    bool WriteAt(uint64_t offset, const void* data, size_t count) override {
      {
        std::lock_guard guard(Owner.Lock);
        Owner.Writing = true;
      }
      Owner.Changed.notify_all();
      Owner.Bytes += count;
      return Real->WriteAt(offset, data, count);
    }
    bool Truncate(uint64_t size) override { return Real->Truncate(size); }
    bool Flush() override {
      {
        std::unique_lock guard(Owner.Lock);
        Owner.Changed.wait_for(guard, Deadline, [&] { return Owner.Released; });
      }
      return Real->Flush();
    }
  };

  TClpFilePortWin Real;
  std::mutex Lock;
  std::condition_variable Changed;
  bool Writing = false;
  bool Released = false;
};

class ClipboardSaveProbeTest : public ::testing::Test, protected TWinHookRig {
 protected:
  void SetUp() override {
    SetHookTargets(&Keyboard, &Mouse);
    ASSERT_TRUE(InstallHooks(::GetModuleHandleW(nullptr)));
  }
  void TearDown() override {
    RemoveHooks();
    SetHookTargets(nullptr, nullptr);
  }

  TTempFolder Folder{L"pelorin-probe-"};
  Latin1 Ansi;
  TClipboardHistory History{Ansi};
  TClipboardChain Chain;
  EmptyClipboardSystem Clipboard;
  HeldFiles Files;
  TClipboardKeeper Keeper{{History, Chain, Clipboard, Files, Folder.Path + L"Pelorin.clp"}};
};

TEST_F(ClipboardSaveProbeTest, TheKeyboardProbeIsAnsweredWhileA200MbRewriteRuns) {
  for (int i = 0; i < Items; ++i) {
    TClipboardData item;
    item.Time = 45000.0 + i / 1000.0;
    item.Items.push_back({8, std::vector<uint8_t>(ItemBytes, static_cast<uint8_t>(i))});
    ASSERT_TRUE(History.AppendLoaded(std::move(item)));
  }
  Keeper.SetOptions({500, 5000, true});
  History.SetDataChanged(true);

  std::atomic<bool> saving{true};
  bool saved = false;
  std::thread worker([&] {
    saved = Keeper.SaveIfChanged();
    saving = false;
  });

  std::atomic<bool> probed{false};
  bool answered = false, answeredDuringTheRewrite = false;
  std::chrono::milliseconds after{0};
  std::thread prober([&] {
    if (Files.WaitWriting()) {
      Shared.KeyboardProbe = ProbeSent;
      Clock::time_point sent = Clock::now();
      Input.SendKey(false, ProbeKeyCode, ProbeKeyCode, false);  // as the worker sends it
      while (Shared.KeyboardProbe.load() != ProbeAnswered && Clock::now() - sent < Deadline) ::Sleep(1);
      answeredDuringTheRewrite = saving.load();
      answered = Shared.KeyboardProbe.load() == ProbeAnswered;
      after = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
    }
    Files.Release();
    probed = true;
  });

  // This thread is the GUI thread: once the rewrite writes, it paints a row of the history.
  ASSERT_TRUE(PumpUntil([&] { return Files.Bytes.load() > 0; }, 10000));
  int high = History.ClpHigh();
  History.ReadRow(high, [&](const TClipboardData& item, const TClipboardHistory::TItemView&) {
    EXPECT_EQ(item.Items.size(), 1u);
  });
  EXPECT_TRUE(PumpUntil([&] { return probed.load(); }, 30000));
  prober.join();
  worker.join();
  std::cout << "keyboard probe answered after " << after.count() << " ms\n";

  ASSERT_TRUE(answered) << "the keyboard probe was never answered";
  EXPECT_TRUE(answeredDuringTheRewrite) << "the probe was answered only after the rewrite";
  ASSERT_TRUE(saved);
  EXPECT_GE(Files.Bytes.load(), uint64_t{Items} * ItemBytes);
  TClpFilePortWin real;
  TClpLoadResult loaded = LoadClipboardFile(real, Folder.Path + L"Pelorin.clp");
  EXPECT_EQ(loaded.Status, ClpLoadStatus::Loaded);
  EXPECT_EQ(loaded.Items.size(), size_t{Items});
}

}  // namespace
}  // namespace pelorin::test
