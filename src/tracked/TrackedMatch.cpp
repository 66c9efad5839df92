#include "tracked/TrackedMatch.h"

namespace pelorin {

namespace {
constexpr std::string_view Wildcard = "[*]";
}  // namespace

void NormalizeCaption(std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '&') {
      if (i + 1 < text.size()) out.push_back(text[i + 1]);  // "&&" leaves one "&"
      i += 2;
      continue;
    }
    if (c == '\r' || c == '\n') {
      while (i < text.size() && (text[i] == '\r' || text[i] == '\n')) ++i;
      if (out.empty() || out.back() != ' ') out.push_back(' ');
      continue;
    }
    out.push_back(c);
    ++i;
  }
  text = std::move(out);
}

bool WildcardMatch(std::string_view pattern, std::string_view text) {
  std::string collapsed(pattern);
  for (size_t at; (at = collapsed.find("[*][*]")) != std::string::npos;) collapsed.erase(at, Wildcard.size());
  std::string_view p = collapsed, t = text;
  const size_t first = p.find(Wildcard);
  if (first == std::string_view::npos) return p == t;
  const std::string_view lead = p.substr(0, first);
  if (t.substr(0, lead.size()) != lead) return false;
  t.remove_prefix(lead.size());
  p.remove_prefix(first + Wildcard.size());
  while (!p.empty()) {
    const std::string_view literal = p.substr(0, p.find(Wildcard));
    p.remove_prefix(literal.size());
    const size_t at = t.find(literal);
    if (at == std::string_view::npos) return false;
    t.remove_prefix(at + literal.size());
    if (p.empty()) return true;
    p.remove_prefix(Wildcard.size());  // the next "[*]"
  }
  return true;
}

}  // namespace pelorin
