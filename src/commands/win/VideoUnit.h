#pragma once
#include <windows.h>
#include <physicalmonitorenumerationapi.h>

#include "commands/Brightness.h"

namespace pelorin {

// The brightness of the first monitor through its DDC/CI channel. Dxva2.dll is loaded at run
// time, not linked, so Pelorin still starts where it is missing.
class TDxvaMonitor : public BrightnessPort {
 public:
  TDxvaMonitor() = default;
  TDxvaMonitor(const TDxvaMonitor&) = delete;
  TDxvaMonitor& operator=(const TDxvaMonitor&) = delete;
  ~TDxvaMonitor() override { DoneBrightness(); }

  // Loads the library and its five entry points and takes one physical monitor of the first
  // monitor in the system's enumeration. False, with nothing held, when any of it fails.
  bool InitBrightness();
  // Releases the physical monitor and the library; safe to call again.
  void DoneBrightness();
  bool Loaded() const { return Library != nullptr; }

  // Both fail while the library is not loaded.
  bool Read(uint32_t& min, uint32_t& cur, uint32_t& max) override;
  bool Write(uint32_t cur) override;

 private:
  // The five entry points of Dxva2.dll, valid while it is loaded.
  struct TEntryPoints {
    BOOL(WINAPI* GetPhysicalMonitorsFromHMONITOR)(HMONITOR, DWORD, LPPHYSICAL_MONITOR) = nullptr;
    BOOL(WINAPI* DestroyPhysicalMonitors)(DWORD, LPPHYSICAL_MONITOR) = nullptr;
    BOOL(WINAPI* GetMonitorBrightness)(HANDLE, LPDWORD, LPDWORD, LPDWORD) = nullptr;
    BOOL(WINAPI* SetMonitorBrightness)(HANDLE, DWORD) = nullptr;
    BOOL(WINAPI* SaveCurrentSettings)(HANDLE) = nullptr;
  };

  HMODULE Library = nullptr;
  TEntryPoints Dxva;
  PHYSICAL_MONITOR Monitor{};
};

}  // namespace pelorin
