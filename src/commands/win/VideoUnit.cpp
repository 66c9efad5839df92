#include "commands/win/VideoUnit.h"

#include "common/win/ProcAddress.h"

#include <utility>

namespace pelorin {

namespace {

BOOL CALLBACK TakeFirstMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  *reinterpret_cast<HMONITOR*>(data) = monitor;
  return FALSE;  // the first one is enough
}

}  // namespace

bool TDxvaMonitor::InitBrightness() {
  DoneBrightness();
  HMODULE library = ::LoadLibraryW(L"Dxva2.dll");
  if (library == nullptr) return false;
  TEntryPoints dxva;
  LoadProc(library, "GetPhysicalMonitorsFromHMONITOR", dxva.GetPhysicalMonitorsFromHMONITOR);
  LoadProc(library, "DestroyPhysicalMonitors", dxva.DestroyPhysicalMonitors);
  LoadProc(library, "GetMonitorBrightness", dxva.GetMonitorBrightness);
  LoadProc(library, "SetMonitorBrightness", dxva.SetMonitorBrightness);
  // Never called, but a library without it is not the monitor configuration API relied on.
  LoadProc(library, "SaveCurrentSettings", dxva.SaveCurrentSettings);

  HMONITOR first = nullptr;
  ::EnumDisplayMonitors(nullptr, nullptr, TakeFirstMonitor, reinterpret_cast<LPARAM>(&first));
  PHYSICAL_MONITOR monitor{};
  if (dxva.GetPhysicalMonitorsFromHMONITOR == nullptr || dxva.DestroyPhysicalMonitors == nullptr ||
      dxva.GetMonitorBrightness == nullptr || dxva.SetMonitorBrightness == nullptr ||
      dxva.SaveCurrentSettings == nullptr || first == nullptr ||
      !dxva.GetPhysicalMonitorsFromHMONITOR(first, 1, &monitor)) {
    ::FreeLibrary(library);
    return false;
  }
  Library = library;
  Dxva = dxva;
  Monitor = monitor;
  return true;
}

void TDxvaMonitor::DoneBrightness() {
  if (Library == nullptr) return;
  Dxva.DestroyPhysicalMonitors(1, &Monitor);
  Monitor = {};
  Dxva = {};
  ::FreeLibrary(std::exchange(Library, nullptr));
}

bool TDxvaMonitor::Read(uint32_t& min, uint32_t& cur, uint32_t& max) {
  if (Library == nullptr) return false;
  DWORD lo = 0, now = 0, hi = 0;
  if (!Dxva.GetMonitorBrightness(Monitor.hPhysicalMonitor, &lo, &now, &hi)) return false;
  min = lo;
  cur = now;
  max = hi;
  return true;
}

bool TDxvaMonitor::Write(uint32_t cur) {
  if (Library == nullptr) return false;
  return Dxva.SetMonitorBrightness(Monitor.hPhysicalMonitor, cur) != FALSE;
}

}  // namespace pelorin
