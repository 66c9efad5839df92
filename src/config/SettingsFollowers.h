#pragma once
#include <functional>
#include <utility>
#include <vector>

#include "base/SharedState.h"
#include "config/SettingsFile.h"

namespace pelorin {

// Everything that follows from the settings but is kept apart from the model: whether any
// tracked row is on (the worker asks for no scan otherwise) and the copies that other parts
// keep of single settings. Every load, Import and edit of the settings goes through
// Recompute, so that none of them is left behind. GUI thread.
class TSettingsFollowers {
 public:
  using TFollower = std::function<void(const TSettingsModel& model)>;

  explicit TSettingsFollowers(TSharedState& shared) : Shared(shared) {}

  // Called by every Recompute from now on, in the order added.
  void Add(TFollower follower) { Followers.push_back(std::move(follower)); }
  void Recompute(const TSettingsModel& model) const;

 private:
  TSharedState& Shared;
  std::vector<TFollower> Followers;
};

}  // namespace pelorin
