// Pixels of the screen, for tests that look at what another window or process drew there.
#pragma once
#include <windows.h>

#include <vector>

namespace pelorin::test {

// The screen's pixels inside `area`, row by row from the top.
std::vector<COLORREF> GrabScreen(const RECT& area);

// A strong colour, not a shade of gray.
bool Colourful(COLORREF c);

}  // namespace pelorin::test
