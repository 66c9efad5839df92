// The saved desktop icon positions as a hand-edited Pelorin.ini may leave them: arbitrary text
// restored onto a small desktop. Nothing may crash, and a desktop saved and restored onto itself
// stays where it is.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "desktop/IconPositions.h"

namespace pelorin {
namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

struct Desktop : DesktopListPort {
  std::vector<TDesktopIcon> Icons{{L"A", 0, 0}, {L"B", 5, 5}, {L"A", -7, 9}, {L"", 1, 2}};
  int ItemCount() override { return static_cast<int>(Icons.size()); }
  std::optional<TDesktopIcon> ReadItem(int index) override { return Icons[static_cast<size_t>(index)]; }
  void MoveItem(int index, int32_t x, int32_t y) override {
    Icons[static_cast<size_t>(index)] = {Icons[static_cast<size_t>(index)].Caption, x, y};
  }
};

}  // namespace
}  // namespace pelorin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin;
  Desktop desktop;
  // Each byte a character: bars, digits, signs and letters all come up often.
  const std::wstring saved(data, data + size);
  AutoRestoreIconPositions(desktop, saved);
  // Whatever happened, the desktop as it is now restores onto itself without moving anything
  // but the icon saved last, to where it already is.
  std::optional<std::wstring> now = SaveIconPositions(desktop);
  Require(now.has_value());
  std::vector<TDesktopIcon> before = desktop.Icons;
  TRestoreResult again = RestoreIconPositions(desktop, *now);
  Require(!again.Failed);
  for (size_t i = 0; i < before.size(); ++i)
    Require(before[i].X == desktop.Icons[i].X && before[i].Y == desktop.Icons[i].Y);
  return 0;
}
