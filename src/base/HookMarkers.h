#pragma once
#include <cstdint>

namespace pelorin {

// Markers carried in the time stamp of injected events.
inline constexpr uint32_t OwnInputMark = 481461;  // Pelorin's own input: pass on untouched
inline constexpr uint32_t ProbeMark = 5081978;    // the worker's mouse health probe

// The hook health counters (MouseProbe, KeyboardProbe): a positive value counts the worker's
// ticks until the next probe; the hooks write ProbeAnswered when they see a probe.
inline constexpr int32_t ProbeIdleTicks = 50;
inline constexpr int32_t ProbeSent = -22;     // a probe is on its way
inline constexpr int32_t ProbeAnswered = -1;  // the hook saw it
inline constexpr int32_t ProbeFailed = -2;    // a hook could not be installed, or missed its probe
// The worker asks for a restart: Pelorin closes and starts its successor.
inline constexpr int32_t ProbeRestart = static_cast<int32_t>(ProbeMark);

// Eat: return 1 without calling the next hook. Pass: return what the next hook returns.
enum class HookVerdict { Pass, Eat };

}  // namespace pelorin
