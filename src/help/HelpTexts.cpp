#include "help/HelpTexts.h"

namespace pelorin {

namespace {

// The layout of the texts: a paragraph starts with four blanks, a numbered item with eight,
// and an empty line stands between paragraphs. The edit control that shows them breaks lines
// only at CR LF.
#define PAR L"    "
#define ITEM L"        "
#define NL L"\r\n"

constexpr std::wstring_view ClosingNote =
    NL NL NL NL L"____________" NL
    L"Please report any bug you find on the issue tracker of the Pelorin project." NL
    L"In your report please describe the bug and specify how to reproduce it. Also specify the Windows version "
    L"with which you use Pelorin";

constexpr std::wstring_view CommandsText =
    PAR L"On this tab-sheet you can assign any inputs, listed in \"Input to do the command\" drop-down box, to "
    L"quickly executing any commands, listed in \"Command to execute\" drop-down box." NL
    NL
    PAR L"To add a custom input, first choose a command in the \"Command to execute\" drop-down box. Some commands "
    L"need a little more from you: when you choose the first item of the list, press the key combination that the "
    L"command should press for you (for example Left Ctrl + Home), and when you choose \"Exec a custom "
    L"command...\", enter the command line to run: a program, a document or a folder, with its parameters if it "
    L"needs any. Then choose an input in the \"Input to do the command\" drop-down box; when you choose its first "
    L"item, press the key combination that should do the command. At last click the \"Add\" button, and the new "
    L"input appears as a row of the table. From now on the input works whenever Pelorin runs, except while the "
    L"window of Pelorin itself is visible and active, so that you can still set up the inputs here." NL
    NL
    PAR L"For example, you can assign \"Quickly move mouse horizontally forth-back\" to the key combination Left "
    L"Ctrl + C and \"Quickly move mouse vertically up-down\" to Left Ctrl + V: then a short shake of the mouse "
    L"copies, and another one pastes, without your hand leaving the mouse. How fast and how far the mouse must "
    L"move to count as such a movement is adjusted on the \"Mouse\" tab-sheet; choose the speed and the amplitude "
    L"so that the usual movements of your hand never do it by chance. If you want to see a notification each time "
    L"an input does its command, switch on \"Show notifications on custom inputs\" on the \"Settings\" tab." NL
    NL
    PAR L"There are two service commands and one command that is a small tool of its own:" NL
    NL
    ITEM L"1. \"Unchecked inputs enable/disable\" - the check boxes in the table mark the inputs that can be "
    L"switched off all together, and this command switches them off and on again. This helps in games and other "
    L"programs where the mouse and the keys are busy all the time. An option on the \"Settings\" tab switches "
    L"them off by itself while a full-screen application is running and on again when it ends. The button under "
    L"the table shows the current state and changes it when you click it." NL
    ITEM L"2. \"Retype chars in other keyboard layout\" - deletes the chars you have just typed, switches the "
    L"keyboard layout and types the same keys again. Use it when you forgot to switch the layout before typing; it "
    L"also undoes a wrong switch of the keyboard layout auto-switcher." NL
    ITEM L"3. \"Clipboard manager\" - stores the data you copy to the clipboard (texts, pictures, files and "
    L"everything else), shows the stored items and pastes the chosen one into the window you were working in. "
    L"Click an item or press Enter to paste it; the keys 0-9 paste one of the last ten items at once." NL
    NL
    PAR L"Every item of the Clipboard manager is checked or unchecked, and every new item is unchecked. Check an "
    L"item with its check box when you want to keep it, such as an address or a signature that you paste often." NL
    PAR L"On the \"Settings\" tab you can limit the count of the unchecked items and the memory they take. When they "
    L"take more memory than allowed, the biggest unchecked item is removed first, but never the one that is on the "
    L"clipboard now. The checked items are never removed automatically, whatever the limits." NL
    PAR L"To see the whole text or picture of an item click on the magnifier icon of that item. Also you can "
    L"manually delete any item by clicking on delete icon, placed at left side of each item.";

constexpr std::wstring_view MouseText =
    NL NL NL L"This tab-sheet allows to adjust the params of mouse movements used in custom inputs(see the help of "
    L"\"Commands\" tab-sheet). Also on this tab-sheet you can enable the fix of mouse wheel malfunction(see the hint "
    L"of this option).";

constexpr std::wstring_view KeyboardLayoutText =
    NL NL NL L"If you use not only english language but another one also, then you can enable the \"Auto switch the "
    L"keyboard layout\" option. In this case if you typing some text in any application with incorrect keyboard "
    L"layout then Pelorin deletes the typed chars, switch the correct layout and type these chars again. Also you "
    L"can adjust the \"auto-switcher sensitivity\" to make the auto-switcher responds faster or it does less "
    L"mistakes(see the hint of this option)." NL
    L"On \"Commands\" tab-sheet you can assign the \"Retype chars in other keyboard layout\" command to any input "
    L"for undo the auto-switcher actions.";

#define NO_HELP_NEEDED                                                                                       \
  PAR L"This tab-sheet no needs any help. You can get all the information from the texts and hints on this " \
      L"tab-sheet."

constexpr std::wstring_view DesktopText = NL NL NL NL NL NL NO_HELP_NEEDED NL NL;

constexpr std::wstring_view TrackedWindowsText =
    PAR L"On \"Tracked windows\" tab-sheet you can select the annoying windows(messages) with which you always "
    L"click the same button when this windows appears." NL
    NL
    PAR L"For example, when you delete or move a read-only or a system file, Windows warns you and asks whether "
    L"you really want to do it, and you always answer \"Yes\", or always \"Skip\", or always \"Cancel\". Pelorin "
    L"can click that button for you each time the warning appears, so you never have to stop for it again. In the "
    L"same way it can answer the reminder of a program that you always close at once." NL
    NL
    PAR L"To record such a window, make it appear and bring up Pelorin while the window is still shown. Drag the "
    L"hand-point icon beside \"Window title\" onto the title of the window, and the one beside \"Click at\" onto "
    L"the button to click; the fields get the title and the caption of the button. When the button cannot be "
    L"recognised, the field gets the coordinates of the pointer relative to the window instead, and Pelorin "
    L"clicks at that place of the window. The radio buttons above the field show which of the two it holds." NL
    NL
    PAR L"The \"Inner text or class name\" and \"Window size\" fields are optional; drag their hand-point icons "
    L"onto the window too. An inner text is a text shown inside the window, such as its message; a class name is "
    L"the name of the kind of a window, which every window has; a window size is its width and height in pixels. "
    L"The class name is taken when no inner text can be "
    L"obtained. These fields keep the window apart from other windows with the same title and the same button, "
    L"so that Pelorin does not click a window that only looks like the one you recorded." NL
    NL
    PAR L"Note!!! Do not type the texts into the fields by hand. Pelorin looks only for the texts that the "
    L"hand-point icons obtain, and a typed text may differ from them in a way you cannot see, so a typed text "
    L"that the icons cannot obtain is never found. Edit a field only to put \"[*]\" into it." NL
    NL
    PAR L"\"[*]\" stands for a part of a text that changes from one time to the next, such as the name of a file. "
    L"Select that part in the field and click the \"[*]\" button. For example, the message" NL
    L"\"The file `Thumbs.db` is a system file. If you remove it, Windows or another program may no longer work "
    L"correctly.\"" NL
    L"becomes" NL
    L"\"The file [*] is a system file. If you remove it, Windows or another program may no longer work "
    L"correctly.\"" NL
    L"and then it is found whatever the name of the file." NL
    NL
    PAR L"Click \"Add\" to store the row in the table; it stays there, and in the settings file, until you remove "
    L"it with the \"Remove\" button. The check boxes in the left column of the table switch a row off and on again "
    L"without removing it, when you want to answer such a window yourself for a while." NL
    NL
    PAR L"You can add several rows for one window, for example to tick a check box such as \"Do this for all "
    L"current items\" and then click \"Yes\": Pelorin then makes several clicks, in the order of the rows in the "
    L"table from top to bottom." NL
    NL
    PAR L"Pelorin repeats the clicks again and again as long as the window is shown. "
    L"You can interrupt this manually by pressing Esc key";

constexpr std::wstring_view SettingsText =
    NL NL NL NL NL NO_HELP_NEEDED NL NL PAR
    L"For detailed information on \"Clipboard Manager\" please refer to the help on \"Custom Inputs\" tab-sheet." NL;

#undef NO_HELP_NEEDED
#undef NL
#undef ITEM
#undef PAR

}  // namespace

std::wstring_view HelpClosingNote() { return ClosingNote; }

const std::array<std::wstring, HelpTextCount>& HelpTexts() {
  static const std::array<std::wstring, HelpTextCount> texts = [] {
    std::array<std::wstring, HelpTextCount> t{std::wstring(CommandsText),   std::wstring(MouseText),
                                             std::wstring(KeyboardLayoutText), std::wstring(DesktopText),
                                             std::wstring(TrackedWindowsText), std::wstring(SettingsText)};
    for (std::wstring& text : t) text += ClosingNote;
    return t;
  }();
  return texts;
}

int HelpTextIndex(int tabIndex, int innerPageIndex) {
  if (tabIndex == 0) return innerPageIndex >= 0 && innerPageIndex <= 2 ? innerPageIndex : -1;
  if (tabIndex >= 1 && tabIndex <= 3) return tabIndex + 2;
  return -1;
}

}  // namespace pelorin
