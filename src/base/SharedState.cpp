#include "base/SharedState.h"

namespace pelorin {

TSharedState& Shared() {
  static TSharedState state;
  return state;
}

}  // namespace pelorin
