// Arbitrary bytes as Pelorin.ini: decoded, read and loaded into a fresh model, then saved and
// loaded again. The file Pelorin writes must give back the model it was written from; where the
// first file held characters the code page lacks (they are written as "?"), the model of the
// written file must survive the next save instead.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/SettingsFile.h"

namespace pelorin {
namespace {

const TScreenSize Screen{1920, 1080};

struct Model {
  Settings Cfg;
  TCustomInputTable Inputs;
  std::vector<TTrackedWindowRow> Tracked;
  TSettingsModel View() { return {Cfg, Inputs, Tracked}; }
};

void Require(bool condition) {
  if (!condition) std::abort();
}

bool SameTable(const TCustomInputTable& a, const TCustomInputTable& b) {
  if (a.RowCount() != b.RowCount()) return false;
  for (int i = 1; i < a.RowCount(); ++i)
    if (a.GetCell(0, i) != b.GetCell(0, i) || a.GetCell(1, i) != b.GetCell(1, i) || a.Keys(i) != b.Keys(i) ||
        a.InputState(i) != b.InputState(i))
      return false;
  return true;
}

bool Same(Model& a, Model& b) { return a.Cfg == b.Cfg && SameTable(a.Inputs, b.Inputs) && a.Tracked == b.Tracked; }

// Every line of a written file ends with CR LF and holds no character 0.
bool WellFormed(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\0') return false;
    if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return text.ends_with("\r\n\r\n");
}

std::string SaveAnsi(Model& m, const AnsiCodePagePort& ansi) { return ansi.ToAnsi(SaveSettings(m.View())); }

void Load(std::wstring text, Model& m) {
  TProfileFile file(std::move(text));
  // The listings, for their own sake: they are not all reached through the loader.
  std::vector<std::wstring> sections = file.SectionNames();
  for (size_t i = 0; i < sections.size() && i < 8; ++i)
    for (const std::wstring& key : file.KeyNames(sections[i])) Require(file.KeyExists(sections[i], key));
  LoadSettings(file, m.View(), Screen);
}

}  // namespace
}  // namespace pelorin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin;
  TWindows1252 ansi;
  Model first;
  Load(DecodeProfileText(std::string_view(reinterpret_cast<const char*>(data), size), ansi), first);
  std::wstring text = SaveSettings(first.View());
  std::string saved = ansi.ToAnsi(text);
  Require(WellFormed(saved));

  // Decoded once, both to be read and to tell whether the code page kept every character.
  std::wstring savedText = DecodeProfileText(saved, ansi);
  Model second;
  Load(savedText, second);
  if (savedText == text) {
    Require(Same(first, second));
    Require(SaveAnsi(second, ansi) == saved);
  } else {
    Model third;
    std::string again = SaveAnsi(second, ansi);
    Load(DecodeProfileText(again, ansi), third);
    Require(Same(second, third));
    Require(again == SaveAnsi(third, ansi));
  }
  return 0;
}
