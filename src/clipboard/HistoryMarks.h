#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace pelorin {

// What a registered clipboard format says about keeping the content in a history. Password
// managers and the like mark their copies so; such a copy never reaches the history or
// Pelorin.clp.
enum class THistoryMark {
  None,          // an ordinary format
  KeepOut,       // present at all: not for any history
  KeepOutIfZero, // a 32-bit value; zero means not for any history
};

THistoryMark HistoryMarkOf(std::wstring_view formatName);

// The content is kept out of the history: `mark` is the mark of one of its formats and `data`
// that format's bytes (only read for KeepOutIfZero; too few bytes count as no answer).
bool KeptOutOfHistory(THistoryMark mark, std::span<const uint8_t> data);

}  // namespace pelorin
