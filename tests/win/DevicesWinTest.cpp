// The device layers on a system that has neither device: under Wine there is no audio
// endpoint and no DDC/CI monitor, so the failure paths run for real and must stay quiet.
#include <gtest/gtest.h>

#include <thread>

#include "commands/Brightness.h"
#include "commands/win/AudioUnit.h"
#include "commands/win/VideoUnit.h"

namespace pelorin::test {
namespace {

// Runs `body` in a new thread, as the command thread runs the volume layer.
template <typename F>
void InOwnThread(F body) {
  std::thread thread(body);
  thread.join();
}

TEST(DevicesVolume, TheSystemVersionSelectsTheEndpointVolume) {
  EXPECT_GE(SystemMajorVersion(), 6u);
  EXPECT_EQ(VolumeApiForSystem(), TVolumeApi::Endpoint);
  EXPECT_EQ(TAudioVolume().UsedApi(), TVolumeApi::Endpoint);
}

TEST(DevicesVolume, WithoutADeviceEitherPathReportsZeroAndHoldsNothing) {
  for (TVolumeApi api : {TVolumeApi::Endpoint, TVolumeApi::Mixer}) {
    const char* what = api == TVolumeApi::Endpoint ? "endpoint" : "mixer";
    InOwnThread([&] {
      TComApartment apartment;
      ASSERT_TRUE(apartment.Entered()) << what;
      TAudioVolume volume(api);
      EXPECT_EQ(volume.ChangeVolume(true, 1), 0) << what << ": opened by the command itself";
      EXPECT_FALSE(volume.OpenVolume()) << what;
      EXPECT_FALSE(volume.Opened()) << what;
      EXPECT_EQ(volume.ChangeVolume(true, 4), 0) << what;
      EXPECT_EQ(volume.ChangeVolume(false, 1), 0) << what;
      volume.CloseVolume();
      volume.CloseVolume();
      EXPECT_EQ(volume.ChangeVolume(true, 2), 0) << what << ": after CloseVolume";
    });
  }
}

// CoInitializeEx answers S_OK only on a thread with no apartment at all, so it tells
// whether the owners before it left the thread as they found it.
TEST(DevicesVolume, TheApartmentOwnerUndoesExactlyWhatItDid) {
  InOwnThread([] {
    {
      TComApartment outer;
      ASSERT_TRUE(outer.Entered());
      TComApartment inner;  // S_FALSE: entered again, and left again
      EXPECT_TRUE(inner.Entered());
    }
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(hr, S_OK) << "both owners left the apartment";
    {
      TComApartment wrongKind;  // the thread is single-threaded now
      EXPECT_FALSE(wrongKind.Entered());
    }
    EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE)
        << "the failed owner must not have left the single-threaded apartment";
    ::CoUninitialize();
    ::CoUninitialize();
  });
}

// Wine's Dxva2.dll has the five entry points, but GetPhysicalMonitorsFromHMONITOR fails.
TEST(DevicesBrightness, WithoutADdcMonitorNothingIsHeldReadOrWritten) {
  // Not imported by Pelorin, so not in the process until InitBrightness loads it.
  EXPECT_EQ(::GetModuleHandleW(L"dxva2.dll"), nullptr);
  TDxvaMonitor monitor;
  uint32_t min = 1, cur = 2, max = 3;
  EXPECT_FALSE(monitor.Read(min, cur, max)) << "before InitBrightness";
  EXPECT_FALSE(monitor.Write(50)) << "before InitBrightness";

  bool found = monitor.InitBrightness();
  EXPECT_EQ(monitor.Loaded(), found);
  if (found) {
    // A system whose physical monitor exists but does not answer brightness requests.
    EXPECT_FALSE(monitor.Read(min, cur, max));
  } else {
    EXPECT_EQ(::GetModuleHandleW(L"dxva2.dll"), nullptr) << "a failed InitBrightness frees the library";
    EXPECT_FALSE(monitor.Read(min, cur, max));
    EXPECT_FALSE(monitor.Write(50));
  }
  EXPECT_EQ(min, 1u);
  EXPECT_EQ(cur, 2u);
  EXPECT_EQ(max, 3u);

  // The brightness values over the real port stay at their start values.
  TBrightness brightness(&monitor);
  EXPECT_FALSE(brightness.ReadBrightness());
  brightness.WriteBrightness();
  EXPECT_EQ(brightness.Min(), 0u);
  EXPECT_EQ(brightness.Cur(), 0u);
  EXPECT_EQ(brightness.Max(), 100u);

  monitor.DoneBrightness();
  monitor.DoneBrightness();
  EXPECT_FALSE(monitor.Loaded());
  EXPECT_FALSE(monitor.Read(min, cur, max)) << "after DoneBrightness";
  EXPECT_EQ(::GetModuleHandleW(L"dxva2.dll"), nullptr) << "DoneBrightness frees the library";
}

}  // namespace
}  // namespace pelorin::test
