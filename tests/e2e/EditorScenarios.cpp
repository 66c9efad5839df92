// The Commands editor driven as a user drives it: real clicks on the combo boxes and their
// lists, a chord pressed into the input combo, the Add button, the message boxes answered; the
// rows built there work after a restart.
#include "E2eSupport.h"

#include <commctrl.h>

#include <optional>

#include <string>
#include <vector>

#include "res/resource.h"

namespace pelorin::e2e {
namespace {

constexpr DWORD Gap = 700;  // between clicks, above the double-click time: never a double click

// Where Pelorin's keyboard focus and activation are, for failure messages.
std::string FocusOf(HWND combo) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(combo, nullptr), &info)) return "no GUI thread info";
  auto describe = [](HWND w) {
    return w == nullptr ? std::string("none") : Narrow(ClassOf(w)) + " id " + std::to_string(::GetDlgCtrlID(w));
  };
  return "focus " + describe(info.hwndFocus) + ", active " + describe(info.hwndActive) + ", capture " +
         describe(info.hwndCapture) + ", foreground " + describe(::GetForegroundWindow()) + ", selection " +
         std::to_string(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

POINT CentreOf(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class CommandsEditor : public TScenario {
 protected:
  void Click(POINT p) {
    Input.MoveTo(p, Input.After(Gap));
    Input.Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0, Input.After(50));
  }
  HWND Control(int id) { return FindControl(Pelorin->Window(), id); }
  int Selection(HWND combo) { return static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

  // Opens the combo box's list with a real click (the combo box takes the focus) and chooses
  // one of its items.
  bool ChooseItem(HWND combo, int index) {
    // Every list was closed after its choice: the one that opens is this combo box's.
    auto listOfCombo = [&] { return FindShownWindow(Pelorin->Pid(), L"ComboLBox"); };
    if (!WaitFor([&] { return listOfCombo() == nullptr; }, EffectDeadlineMs)) {
      ADD_FAILURE() << "a list of a combo box is still open";
      return false;
    }
    Click(CentreOf(combo));
    HWND list = nullptr;
    if (!WaitFor([&] { return (list = listOfCombo()) != nullptr; }, EffectDeadlineMs)) {
      ADD_FAILURE() << "the list of the combo box did not open; " << FocusOf(combo);
      return false;
    }
    // A second click on the box closes the list again, the focus staying there. The choice
    // itself is then made as the list reports it to the window: under Wine a click on an item
    // of the open list now and then chose another item (the list follows replayed moves).
    Click(CentreOf(combo));
    if (!WaitFor([&] { return !::IsWindowVisible(list); }, EffectDeadlineMs)) {
      ADD_FAILURE() << "the list of the combo box did not close; " << FocusOf(combo);
      return false;
    }
    ::SendMessageW(combo, CB_SETCURSEL, index, 0);
    ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
    bool chosen = WaitFor([&] { return Selection(combo) == index && !::IsWindowVisible(list); }, EffectDeadlineMs);
    EXPECT_TRUE(chosen) << "expected item " << index << " chosen; the selection is " << Selection(combo);
    return chosen;
  }

  // Waits for Pelorin's message box with that caption, checks its text and presses `button`.
  void Answer(const std::wstring& caption, const std::wstring& text, int button = IDOK) {
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindShownWindow(Pelorin->Pid(), L"#32770", caption)) != nullptr; },
                        EffectDeadlineMs))
        << "expected the message box \"" << Narrow(caption) << "\"";
    EXPECT_EQ(Narrow(MessageBoxText(box)), Narrow(text)) << "in the message box \"" << Narrow(caption) << "\"";
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    // The main window takes clicks again once the box has given it back its input.
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(box) && ::IsWindowEnabled(Pelorin->Window()); }, EffectDeadlineMs));
  }

  // Chooses item 0 of the combo box and presses the chord; the combo then shows its text.
  void CaptureChord(HWND combo, const TChord& chord) {
    ASSERT_TRUE(ChooseItem(combo, 0));
    EXPECT_EQ(Narrow(WindowText(combo)), "Now press the keyboard keys...");
    Input.Chord(chord.Keys);
    EXPECT_TRUE(WaitFor([&] { return Narrow(WindowText(combo)) == chord.Text(); }, EffectDeadlineMs))
        << "expected the combo box to show \"" << chord.Text() << "\"; it shows \"" << Narrow(WindowText(combo))
        << "\"; " << FocusOf(combo);
  }

  int GridRows() { return static_cast<int>(::SendMessageW(Control(IDC_MAIN_GRID), LVM_GETITEMCOUNT, 0, 0)); }

  TPelorin* Pelorin = nullptr;
};

TEST_F(CommandsEditor, ARowBuiltInTheWindowWorksAfterARestart) {
  const std::wstring marker = Folder + L"marker.txt";
  const std::wstring commandLine = MarkerCommand(marker);
  const TChord chord{{keys::LeftCtrl, keys::LeftShift, keys::H}};
  // A file without the notes key shows notes; nothing else is set.
  ASSERT_TRUE(WriteBytes(IniPath(), TIni().Section("Custom Inputs").Value("Fix mouse wheel malfunction", "0").Text()));
  ASSERT_NE(Pelorin = StartPelorin(L""), nullptr);
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == Pelorin->Window(); }, EffectDeadlineMs));

  // "Volume Up" for the chord.
  HWND command = Control(IDC_COMMAND_COMBO), input = Control(IDC_INPUT_COMBO);
  ASSERT_TRUE(ChooseItem(command, 6));
  EXPECT_EQ(Narrow(WindowText(command)), "Volume Up");
  CaptureChord(input, chord);
  Click(CentreOf(Control(IDC_ADD_INPUT)));
  Answer(L"Custom input assigned", L"New input was successfully added");
  EXPECT_EQ(GridRows(), 1);
  EXPECT_EQ(Selection(command), -1) << "Add clears both choices";
  EXPECT_EQ(Selection(input), -1);

  // A command line typed into the editable combo box for the middle button.
  ASSERT_TRUE(ChooseItem(command, 15));
  HWND editable = Control(IDC_COMMAND_EDIT_COMBO);
  ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(editable) && !::IsWindowVisible(command); }, EffectDeadlineMs))
      << "item 15 turns the command combo box editable";
  EXPECT_EQ(WindowText(editable), L"") << "the line is typed into an empty field";
  ::SendMessageW(editable, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(commandLine.c_str()));
  ASSERT_TRUE(ChooseItem(input, 1));
  Click(CentreOf(Control(IDC_ADD_INPUT)));
  Answer(L"Custom input assigned", L"New input was successfully added");
  EXPECT_EQ(GridRows(), 2);
  EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(command) && !::IsWindowVisible(editable); }, EffectDeadlineMs))
      << "after Add the command combo box is a list again";

  ASSERT_EQ(Pelorin->Close(), std::optional<DWORD>(0));
  std::string ini = ReadBytes(IniPath());
  EXPECT_NE(ini.find("Command1 = Volume Up\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Input1 = " + chord.Text() + "\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Command2 = " + Narrow(commandLine) + "\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Input2 = Middle mouse button click\r\n"), std::string::npos) << ini;

  TDriverWindow driver;
  ASSERT_NE(Pelorin = StartPelorin(L"autorun"), nullptr);
  ASSERT_TRUE(driver.Activate());
  Input.MoveTo(driver.BlankPoint(), Input.After(1000));
  Input.Chord(chord.Keys);
  HWND note = nullptr;
  EXPECT_TRUE(WaitFor([&] { return (note = FindShownWindow(Pelorin->Pid(), L"PelorinNoteForm")) != nullptr; },
                      EffectDeadlineMs))
      << "the chord's Volume Up shows its level note";
  ASSERT_TRUE(SyncKeys(Input, driver));
  EXPECT_EQ(driver.KeyDowns('H'), 0) << "the bound chord's key is eaten: " << driver.Describe();
  Input.Click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, Input.After(Gap));
  EXPECT_TRUE(WaitFor([&] { return ReadLines(marker).size() == 1; }, EffectDeadlineMs))
      << "the typed command line runs on the middle button";
  EXPECT_EQ(Pelorin->Close(), std::optional<DWORD>(0));
}

TEST_F(CommandsEditor, RefusalsShowTheirMessagesAndChangeNothing) {
  const TChord chord{{keys::LeftCtrl, keys::LeftShift, keys::X}};
  ASSERT_NE(Pelorin = StartPelorin(L""), nullptr);
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == Pelorin->Window(); }, EffectDeadlineMs));
  HWND command = Control(IDC_COMMAND_COMBO), input = Control(IDC_INPUT_COMBO), add = Control(IDC_ADD_INPUT);

  Click(CentreOf(add));
  Answer(L"Firstly you must:",
         L"- choose a command which you want to execute;\r- choose an input to do the chosen command.");

  // An input chord with no keys pressed yet.
  ASSERT_TRUE(ChooseItem(command, 6));
  ASSERT_TRUE(ChooseItem(input, 0));
  Click(CentreOf(add));
  Answer(L"Firstly you must:", L"- press the keyboard keys of the input chord.");

  CaptureChord(input, chord);
  Click(CentreOf(add));
  Answer(L"Custom input assigned", L"New input was successfully added");

  ASSERT_TRUE(ChooseItem(command, 7));
  CaptureChord(input, chord);
  Click(CentreOf(add));
  Answer(L"Input already assigned", L"The chosen input has already assigned");

  // The bound chord as a command would fire itself.
  CaptureChord(command, chord);
  ASSERT_TRUE(ChooseItem(input, 2));
  Click(CentreOf(add));
  Answer(L"Incorrect command", L"You can not choose the command, which already assigned as an input");
  EXPECT_EQ(GridRows(), 1) << "no refusal adds a row";

  // Remove asks first (Add left the new row selected); No keeps the row, Yes removes it.
  Click(CentreOf(Control(IDC_REMOVE_INPUT)));
  Answer(L"Remove a custom input", L"Do you want to remove the selected input?", IDNO);
  EXPECT_EQ(GridRows(), 1);
  Click(CentreOf(Control(IDC_REMOVE_INPUT)));
  Answer(L"Remove a custom input", L"Do you want to remove the selected input?", IDYES);
  EXPECT_TRUE(WaitFor([&] { return GridRows() == 0; }, EffectDeadlineMs));
  EXPECT_EQ(Pelorin->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
