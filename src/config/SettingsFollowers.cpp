#include "config/SettingsFollowers.h"

namespace pelorin {

void TSettingsFollowers::Recompute(const TSettingsModel& model) const {
  Shared.TrackedRowsOn.store(AnyRowTracked(model.TrackedWindows), std::memory_order_relaxed);
  for (const TFollower& follower : Followers) follower(model);
}

}  // namespace pelorin
