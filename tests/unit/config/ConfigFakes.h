#pragma once
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "config/ExportImport.h"

namespace pelorin::test {

// Files in memory, with read faults to inject. Whether a failed write really leaves the old
// file is the Win32 side's to prove (under Wine); here a failed write simply changes nothing.
struct FakeFiles : FilePort {
  std::map<std::wstring, std::string> Files;
  // Exist but cannot be opened, as while a backup or sync program holds them with no sharing:
  // reads are unreadable and writes fail.
  std::set<std::wstring> Held;
  int FailNextReads = 0;  // the next reads of a file that exists fail, as on a read error
  bool FailWrites = false;
  int Reads = 0;
  int Writes = 0;

  TFileBytes ReadWholeFile(const std::wstring& path) override {
    ++Reads;
    auto found = Files.find(path);
    if (found == Files.end()) return {TFileBytes::TState::Missing, {}};
    if (Held.count(path) != 0) return {TFileBytes::TState::Unreadable, {}};
    if (FailNextReads > 0) {
      --FailNextReads;
      return {TFileBytes::TState::Unreadable, {}};
    }
    return {TFileBytes::TState::Read, found->second};
  }
  bool WriteReplace(const std::wstring& path, std::string_view bytes) override {
    ++Writes;
    if (FailWrites || Held.count(path) != 0) return false;
    Files[path] = std::string(bytes);
    return true;
  }
};

// The Run key: nothing there until written; the key may refuse to open.
struct FakeRunKey : AutoRunPort {
  bool KeyOpens = true;
  std::optional<std::wstring> Value;
  int Writes = 0;
  int Deletes = 0;

  TRunValue ReadRunValue() override {
    if (!KeyOpens) return {};
    return {true, Value.has_value(), Value.value_or(L"")};
  }
  void WriteRunValue(std::wstring_view data) override {
    ++Writes;
    if (KeyOpens) Value = std::wstring(data);
  }
  void DeleteRunValue() override {
    ++Deletes;
    if (KeyOpens) Value.reset();
  }
};

// Records what the Export and Import buttons asked and showed.
struct FakeDialogs : SettingsDialogPort {
  struct Message {
    std::wstring Text, Caption;
    TMsgIcon Icon;
  };
  bool AnswerYes = true;
  std::optional<std::wstring> ChosenFile;
  std::vector<std::wstring> Questions;  // "caption|text"
  std::vector<std::wstring> FileDialogs;  // "title|file name|filter"
  std::vector<Message> Messages;

  bool AskYesNo(std::wstring_view text, std::wstring_view caption) override {
    Questions.push_back(std::wstring(caption) + L"|" + std::wstring(text));
    return AnswerYes;
  }
  std::optional<std::wstring> ChooseSaveFile(std::wstring_view title, std::wstring_view name,
                                             std::wstring_view filter) override {
    return Choose(title, name, filter);
  }
  std::optional<std::wstring> ChooseOpenFile(std::wstring_view title, std::wstring_view name,
                                             std::wstring_view filter) override {
    return Choose(title, name, filter);
  }
  void ShowMessage(std::wstring_view text, std::wstring_view caption, TMsgIcon icon) override {
    Messages.push_back({std::wstring(text), std::wstring(caption), icon});
  }

 private:
  std::optional<std::wstring> Choose(std::wstring_view title, std::wstring_view name, std::wstring_view filter) {
    FileDialogs.push_back(std::wstring(title) + L"|" + std::wstring(name) + L"|" + std::wstring(filter));
    return ChosenFile;
  }
};

// A model of its own: the settings, both tables.
struct ModelHolder {
  Settings Cfg;
  TCustomInputTable Inputs;
  std::vector<TTrackedWindowRow> Tracked;
  TSettingsModel Model() { return {Cfg, Inputs, Tracked}; }
};

// The rows of a custom input table as comparable text, one line per row.
inline std::vector<std::wstring> RowsOf(const TCustomInputTable& table) {
  std::vector<std::wstring> rows;
  for (int i = 1; i < table.RowCount(); ++i) {
    std::wstring keys = table.Keys(i) ? ChordRecordToHex(*table.Keys(i)) : L"-";
    rows.push_back(std::wstring(table.GetCell(0, i)) + L"|" + keys + L"|" + std::wstring(table.GetCell(1, i)) + L"|" +
                   std::to_wstring(table.InputState(i)));
  }
  return rows;
}

}  // namespace pelorin::test
