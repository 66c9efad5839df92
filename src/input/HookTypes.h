#pragma once
#include <cstdint>

namespace pelorin {

// Markers carried in the time stamp of injected events.
inline constexpr uint32_t OwnInputMark = 481461;  // Pelorin's own input: pass on untouched
inline constexpr uint32_t ProbeMark = 5081978;    // the worker's mouse health probe

// Eat: return 1 without calling the next hook. Pass: return what the next hook returns.
enum class HookVerdict { Pass, Eat };

}  // namespace pelorin
