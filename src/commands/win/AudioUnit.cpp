#include "commands/win/AudioUnit.h"

#include <mmdeviceapi.h>

#include <utility>

#include "common/win/ProcAddress.h"

namespace pelorin {

namespace {

HMIXEROBJ MixerObject(HMIXER mixer) { return reinterpret_cast<HMIXEROBJ>(mixer); }

}  // namespace

uint32_t SystemMajorVersion() {
  LONG(WINAPI * rtlGetVersion)(OSVERSIONINFOW*) = nullptr;
  LoadProc(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion", rtlGetVersion);
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (rtlGetVersion != nullptr && rtlGetVersion(&info) == 0) return info.dwMajorVersion;
  // Every system Pelorin runs on (Windows 7 and later) has RtlGetVersion; should it be
  // missing, the interface of those systems is still the right guess.
  return 6;
}

TVolumeApi VolumeApiForSystem() { return SystemMajorVersion() >= 6 ? TVolumeApi::Endpoint : TVolumeApi::Mixer; }

bool TAudioVolume::OpenVolume() {
  CloseVolume();
  if (Api == TVolumeApi::Mixer) {
    HMIXER mixer = nullptr;
    if (::mixerOpen(&mixer, 0, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR) Mixer = mixer;
    return Opened();
  }
  // Out-parameters are taken only on success: a failed call may leave garbage in them.
  void* raw = nullptr;
  if (FAILED(::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IMMDeviceEnumerator), &raw)) || raw == nullptr)
    return false;
  TComPtr<IMMDeviceEnumerator> enumerator;
  enumerator.Attach(static_cast<IMMDeviceEnumerator*>(raw));

  IMMDevice* rawDevice = nullptr;
  if (FAILED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &rawDevice)) || rawDevice == nullptr)
    return false;
  TComPtr<IMMDevice> device;
  device.Attach(rawDevice);

  raw = nullptr;
  if (FAILED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr, &raw)) || raw == nullptr)
    return false;
  Endpoint.Attach(static_cast<IAudioEndpointVolume*>(raw));
  return true;
}

void TAudioVolume::Release() {
  CloseVolume();
  Apartment.reset();
}

void TAudioVolume::CloseVolume() {
  Endpoint.Reset();
  if (Mixer != nullptr) ::mixerClose(std::exchange(Mixer, nullptr));
}

int TAudioVolume::ChangeVolume(bool up, int step) {
  // Opened by the first volume command rather than at start-up: the sound libraries cost
  // memory and start-up time that most sessions never need. A failed open is tried again
  // by the next command, so a device plugged in later is found.
  if (!Opened()) {
    if (!Apartment) Apartment.emplace();
    OpenVolume();
  }
  return Api == TVolumeApi::Endpoint ? ChangeEndpointVolume(up, step) : ChangeMixerVolume(up, step);
}

int TAudioVolume::ChangeEndpointVolume(bool up, int step) {
  if (!Endpoint) return 0;
  // Read before every change, so a level set by another program is the one stepped from.
  float current = 0.0f;
  if (FAILED(Endpoint->GetMasterVolumeLevelScalar(&current))) return 0;
  TEndpointStep next = NextEndpointLevel(current, up, step);
  // A failed set leaves the system level as it was; the computed level is still reported.
  Endpoint->SetMasterVolumeLevelScalar(next.Level, nullptr);
  return next.Percent;
}

int TAudioVolume::ChangeMixerVolume(bool up, int step) {
  if (Mixer == nullptr) return 0;
  std::optional<TMixerControl> control = FindVolumeControl(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
  if (!control) control = FindVolumeControl(MIXERLINE_COMPONENTTYPE_DST_HEADPHONES);
  if (!control) return 0;
  TMixerStep next = NextMixerValue(control->Min, control->Max, control->Value, up, step);

  MIXERCONTROLDETAILS_UNSIGNED value{next.Value};
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof(details);
  details.dwControlID = control->Id;
  details.cChannels = 1;  // one value for all channels
  details.cbDetails = sizeof(value);
  details.paDetails = &value;
  ::mixerSetControlDetails(MixerObject(Mixer), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE);
  return next.Percent;
}

std::optional<TAudioVolume::TMixerControl> TAudioVolume::FindVolumeControl(DWORD componentType) const {
  // MIXER_OBJECTF_HMIXER everywhere: without it the handle would be taken for a device number.
  MIXERLINEW line{};
  line.cbStruct = sizeof(line);
  line.dwComponentType = componentType;
  if (::mixerGetLineInfoW(MixerObject(Mixer), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
      MMSYSERR_NOERROR)
    return std::nullopt;

  MIXERCONTROLW control{};
  control.cbStruct = sizeof(control);
  MIXERLINECONTROLSW controls{};
  controls.cbStruct = sizeof(controls);
  controls.dwLineID = line.dwLineID;
  controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
  controls.cControls = 1;
  controls.cbmxctrl = sizeof(control);
  controls.pamxctrl = &control;
  if (::mixerGetLineControlsW(MixerObject(Mixer), &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
      MMSYSERR_NOERROR)
    return std::nullopt;

  MIXERCONTROLDETAILS_UNSIGNED value{};
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof(details);
  details.dwControlID = control.dwControlID;
  details.cChannels = 1;
  details.cbDetails = sizeof(value);
  details.paDetails = &value;
  if (::mixerGetControlDetailsW(MixerObject(Mixer), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
      MMSYSERR_NOERROR)
    return std::nullopt;
  return TMixerControl{control.dwControlID, control.Bounds.dwMinimum, control.Bounds.dwMaximum, value.dwValue};
}

}  // namespace pelorin
