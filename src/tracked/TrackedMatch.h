#pragma once
#include <string>
#include <string_view>

namespace pelorin {

// Window and control texts as the tracked-window check compares them: 8-bit text in the
// system's ANSI code page.

// Removes the "&" of mnemonics (the character after one is kept as it is) and turns each run of
// CR and LF into one blank, or into nothing right after a blank.
void NormalizeCaption(std::string& text);

// Exact, case-sensitive match where "[*]" stands for any run of characters. The first literal
// is anchored at the start; each later one is the first occurrence from the left, without
// backtracking; after a last "[*]"-followed literal the rest of the text is not examined.
bool WildcardMatch(std::string_view pattern, std::string_view text);

}  // namespace pelorin
