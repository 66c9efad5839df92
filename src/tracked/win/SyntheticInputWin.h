#pragma once
#include <windows.h>

#include "tracked/SyntheticInput.h"

namespace pelorin {

// Synthetic input through the real input stream.
class TSyntheticInputWin : public SyntheticInputPort {
 public:
  uintptr_t CurrentExtraInfo() override;
  // One ::SendInput for the whole batch; its result is not looked at.
  void SendBatch(const TInputBatch& batch) override;
  void PutPointerAt(TPoint p) override;
};

// The INPUT record of one core event.
INPUT ToWin32Input(const TInputRecord& r);

// Reads whether the primary mouse button is the left one into `shared`: at start-up and on
// WM_SETTINGCHANGE with SPI_SETMOUSEBUTTONSWAP.
void ReadPrimaryButton(TSharedState& shared);

}  // namespace pelorin
