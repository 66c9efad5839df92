// The texts of the tracked-window check as other programs and a hand-edited Pelorin.ini give
// them: a window text through NormalizeCaption and WildcardMatch against a pattern, a size
// text, and a click offset. Nothing may read out of bounds, and each result must keep its
// promise.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tracked/TrackedCheck.h"
#include "tracked/TrackedMatch.h"

namespace pelorin {
namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckTexts(std::string pattern, std::string text) {
  const std::string original = text;
  NormalizeCaption(text);
  Require(text.size() <= original.size());
  // A line break after "&" is kept as it is; a text without "&" keeps none.
  if (original.find('&') == std::string::npos) Require(text.find_first_of("\r\n") == std::string::npos);
  const bool match = WildcardMatch(pattern, text);
  if (pattern.find("[*]") == std::string::npos) Require(match == (pattern == text));
  Require(WildcardMatch("[*]", text));
  Require(WildcardMatch(text + "[*]", text + pattern));
  // A size row compares without wildcards and without regard to ASCII case.
  const bool same = EqualsIgnoringAsciiCase(pattern, text);
  Require(same == EqualsIgnoringAsciiCase(text, pattern));
  Require(!same || pattern.size() == text.size());
  Require(EqualsIgnoringAsciiCase(SizeText({0, 0, 400, 150}), "400X150"));
}

void CheckOffset(std::string_view bytes) {
  std::wstring wide(bytes.begin(), bytes.end());
  const std::optional<TPoint> p = ParseClickOffset(wide);
  if (!p) return;
  Require(p->X >= 0 && p->X <= 999999999 && p->Y >= 0 && p->Y <= 9999);
  const size_t x = wide.find(L'x');
  Require(x != std::wstring::npos && x > 0);
  Require(std::to_wstring(p->X).size() <= x);
}

}  // namespace
}  // namespace pelorin

// The input is "pattern \0 text \0 offset"; missing pieces are empty.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  std::string_view pieces[3];
  for (std::string_view& piece : pieces) {
    const size_t end = all.find('\0');
    piece = all.substr(0, end);
    all = end == std::string_view::npos ? std::string_view() : all.substr(end + 1);
  }
  pelorin::CheckTexts(std::string(pieces[0]), std::string(pieces[1]));
  pelorin::CheckOffset(pieces[2]);
  pelorin::CheckOffset(pieces[1]);
  return 0;
}
