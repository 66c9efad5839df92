#pragma once
#include <windows.h>
#include <endpointvolume.h>
#include <mmsystem.h>

#include <cstdint>
#include <optional>

#include "commands/Volume.h"
#include "common/win/Com.h"

namespace pelorin {

// Which system interface carries the master volume.
enum class TVolumeApi { Endpoint, Mixer };

// The operating system's real major version: RtlGetVersion, which, unlike GetVersionExW,
// does not depend on the manifest of the calling program (the test programs have none).
uint32_t SystemMajorVersion();
// Major version 6 (Vista) and later have the endpoint volume; earlier ones the mixer.
TVolumeApi VolumeApiForSystem();

// The master volume of the default playback device. Opened, changed and closed in the
// command thread only, inside a multithreaded apartment it enters with the first volume
// command and leaves in Release: the endpoint volume is created and called in one apartment
// and never crosses threads (no marshalling, and no message loop needed, which the command
// thread does not have).
class TAudioVolume : public VolumePort {
 public:
  explicit TAudioVolume(TVolumeApi api = VolumeApiForSystem()) : Api(api) {}
  TAudioVolume(const TAudioVolume&) = delete;
  TAudioVolume& operator=(const TAudioVolume&) = delete;
  ~TAudioVolume() override { CloseVolume(); }

  // Keeps the endpoint volume of the default render device for the console role, or opens
  // mixer device 0. True when one is held; on any failure nothing is.
  bool OpenVolume();
  // Opens the volume first when none is held, inside an apartment of its own entered then.
  int ChangeVolume(bool up, int step) override;
  // Releases the endpoint volume and closes the mixer; safe to call again.
  void CloseVolume();
  // CloseVolume, then leaves the apartment ChangeVolume entered: in the same thread.
  void Release();

  bool Opened() const { return Endpoint || Mixer != nullptr; }
  TVolumeApi UsedApi() const { return Api; }

 private:
  struct TMixerControl {
    DWORD Id;
    uint32_t Min, Max, Value;
  };
  int ChangeEndpointVolume(bool up, int step);
  int ChangeMixerVolume(bool up, int step);
  // The volume control of the destination line of that component type, with its value.
  std::optional<TMixerControl> FindVolumeControl(DWORD componentType) const;

  const TVolumeApi Api;
  std::optional<TComApartment> Apartment;
  TComPtr<IAudioEndpointVolume> Endpoint;
  HMIXER Mixer = nullptr;
};

}  // namespace pelorin
