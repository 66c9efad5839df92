#pragma once
#include "config/AutoRun.h"

namespace pelorin {

// The current user's Run key in the registry.
class TWinRunKey final : public AutoRunPort {
 public:
  TRunValue ReadRunValue() override;
  void WriteRunValue(std::wstring_view data) override;
  void DeleteRunValue() override;
};

}  // namespace pelorin
