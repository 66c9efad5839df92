#include "help/HelpTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin {
namespace {

const std::wstring CrLf = L"\r\n";

std::string Narrow(std::wstring_view text) { return std::string(text.begin(), text.end()); }

std::wstring Repeat(const std::wstring& piece, int times) {
  std::wstring out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// A text without the closing note; fails the test when the note is missing.
std::wstring Body(int index) {
  const std::wstring& text = HelpTexts()[index];
  std::wstring_view note = HelpClosingNote();
  if (text.size() < note.size() || text.compare(text.size() - note.size(), note.size(), note) != 0) {
    ADD_FAILURE() << "text " << index << " does not end with the closing note";
    return text;
  }
  return text.substr(0, text.size() - note.size());
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t at; (at = text.find(CrLf, start)) != std::wstring::npos; start = at + 2)
    lines.push_back(text.substr(start, at - start));
  lines.push_back(text.substr(start));
  return lines;
}

TEST(HelpTexts, EveryTextEndsWithTheSameClosingNote) {
  std::wstring_view note = HelpClosingNote();
  const std::wstring head = Repeat(CrLf, 4) + L"____________" + CrLf;
  const std::wstring tail =
      CrLf + L"In your report please describe the bug and specify how to reproduce it. Also specify the Windows "
             L"version with which you use Pelorin";
  ASSERT_GT(note.size(), head.size() + tail.size());
  EXPECT_EQ(note.substr(0, head.size()), head);
  EXPECT_EQ(note.substr(note.size() - tail.size()), tail);
  // Between them one line that asks for bug reports on the project's tracker, not by mail.
  std::wstring_view request = note.substr(head.size(), note.size() - head.size() - tail.size());
  EXPECT_EQ(request.find_first_of(L"\r\n"), std::wstring_view::npos) << Narrow(request);
  EXPECT_NE(request.find(L"issue tracker"), std::wstring_view::npos) << Narrow(request);
  EXPECT_NE(request.find(L"Pelorin"), std::wstring_view::npos) << Narrow(request);
  EXPECT_EQ(request.find(L'@'), std::wstring_view::npos) << Narrow(request);

  for (int i = 0; i < HelpTextCount; ++i) {
    const std::wstring& text = HelpTexts()[i];
    ASSERT_GT(text.size(), note.size()) << "text " << i;
    EXPECT_EQ(text.substr(text.size() - note.size()), note) << "text " << i;
    // Appended once, when the texts were made.
    EXPECT_EQ(text.find(L"____________"), text.size() - note.size() + head.size() - 14) << "text " << i;
  }
}

TEST(HelpTexts, TheShortTextsAreWordForWord) {
  const std::wstring noHelp =
      L"    This tab-sheet no needs any help. You can get all the information from the texts and hints on this "
      L"tab-sheet.";
  struct Case { int Index; std::wstring Body; };
  const std::vector<Case> cases = {
      {1, Repeat(CrLf, 3) +
              L"This tab-sheet allows to adjust the params of mouse movements used in custom inputs(see the help of "
              L"\"Commands\" tab-sheet). Also on this tab-sheet you can enable the fix of mouse wheel "
              L"malfunction(see the hint of this option)."},
      {2, Repeat(CrLf, 3) +
              L"If you use not only english language but another one also, then you can enable the \"Auto switch "
              L"the keyboard layout\" option. In this case if you typing some text in any application with "
              L"incorrect keyboard layout then Pelorin deletes the typed chars, switch the correct layout and type "
              L"these chars again. Also you can adjust the \"auto-switcher sensitivity\" to make the auto-switcher "
              L"responds faster or it does less mistakes(see the hint of this option)." +
              CrLf +
              L"On \"Commands\" tab-sheet you can assign the \"Retype chars in other keyboard layout\" command to "
              L"any input for undo the auto-switcher actions."},
      {3, Repeat(CrLf, 6) + noHelp + Repeat(CrLf, 2)},
      {5, Repeat(CrLf, 5) + noHelp + Repeat(CrLf, 2) +
              L"    For detailed information on \"Clipboard Manager\" please refer to the help on \"Custom Inputs\" "
              L"tab-sheet." +
              CrLf},
  };
  for (const Case& c : cases) EXPECT_EQ(Narrow(Body(c.Index)), Narrow(c.Body)) << "text " << c.Index;
}

// The Desktop and Settings texts stand several lines down the window; the long ones start at
// the top with an indented paragraph.
TEST(HelpTexts, LeadingEmptyLinesAndTheFirstVisibleLine) {
  struct Case { int Index; int EmptyLines; std::wstring FirstLine; };
  const std::vector<Case> cases = {
      {0, 0, L"    On this tab-sheet you can assign any inputs,"},
      {1, 3, L"This tab-sheet allows to adjust"},
      {2, 3, L"If you use not only english language"},
      {3, 6, L"    This tab-sheet no needs any help."},
      {4, 0, L"    On \"Tracked windows\" tab-sheet"},
      {5, 5, L"    This tab-sheet no needs any help."},
  };
  for (const Case& c : cases) {
    const std::wstring& text = HelpTexts()[c.Index];
    const std::wstring lead = Repeat(CrLf, c.EmptyLines);
    EXPECT_EQ(text.substr(0, lead.size()), lead) << "text " << c.Index;
    EXPECT_EQ(text.substr(lead.size(), c.FirstLine.size()), c.FirstLine) << "text " << c.Index;
  }
}

TEST(HelpTexts, TheLongTextsBeginAndEndWithTheirSentences) {
  struct Case { int Index; std::wstring First; std::wstring Last; };
  const std::vector<Case> cases = {
      {0,
       L"    On this tab-sheet you can assign any inputs, listed in \"Input to do the command\" drop-down box, to "
       L"quickly executing any commands, listed in \"Command to execute\" drop-down box." + CrLf,
       L"Also you can manually delete any item by clicking on delete icon, placed at left side of each item."},
      {4,
       L"    On \"Tracked windows\" tab-sheet you can select the annoying windows(messages) with which you always "
       L"click the same button when this windows appears." + CrLf,
       L" You can interrupt this manually by pressing Esc key"},
  };
  for (const Case& c : cases) {
    std::wstring body = Body(c.Index);
    EXPECT_EQ(Narrow(body.substr(0, c.First.size())), Narrow(c.First)) << "text " << c.Index;
    ASSERT_GE(body.size(), c.Last.size());
    EXPECT_EQ(Narrow(body.substr(body.size() - c.Last.size())), Narrow(c.Last)) << "text " << c.Index;
  }
}

// Each point of a long text is made, in its order: the markers are found one after the other.
TEST(HelpTexts, TheLongTextsMakeTheirPointsInOrder) {
  struct Case { int Index; std::vector<std::wstring> Markers; };
  const std::vector<Case> cases = {
      {0,
       {L"\"Add\"", L"except while the window of Pelorin itself is visible and active",
        L"\"Mouse\" tab-sheet", L"\"Settings\" tab", L"There are two service commands",
        L"\r\n        1. \"Unchecked inputs enable/disable\"", L"full-screen", L"button under the table",
        L"\r\n        2. \"Retype chars in other keyboard layout\"", L"auto-switcher",
        L"\r\n        3. \"Clipboard manager\"", L"0-9", L"checked or unchecked", L"every new item is unchecked",
        L"\"Settings\" tab", L"the biggest unchecked item is removed first", L"never the one that is on the clipboard",
        L"checked items are never removed", L"magnifier icon", L"delete icon"}},
      {4,
       {L"read-only or a system file", L"\"Yes\"", L"\"Skip\"", L"\"Cancel\"", L"hand-point icon",
        L"coordinates of the pointer", L"radio buttons", L"\"Inner text or class name\"", L"\"Window size\"",
        L"class name is taken when no inner text", L"same title", L"Note!!!", L"never found", L"\"[*]\"",
        L"\r\n\"The file `Thumbs.db` is a system file. If you remove it, Windows or another program may no longer "
        L"work correctly.\"\r\n",
        L"\r\n\"The file [*] is a system file. If you remove it, Windows or another program may no longer work "
        L"correctly.\"\r\n",
        L"\"Add\"", L"check boxes in the left column", L"several rows for one window", L"from top to bottom",
        L"repeats the clicks", L"Esc key"}},
  };
  for (const Case& c : cases) {
    std::wstring body = Body(c.Index);
    size_t from = 0;
    for (const std::wstring& marker : c.Markers) {
      size_t at = body.find(marker, from);
      ASSERT_NE(at, std::wstring::npos) << "text " << c.Index << ": \"" << Narrow(marker)
                                        << "\" missing or out of order";
      from = at + marker.size();
    }
  }
}

// Paragraphs open with four blanks and stand apart by one empty line; the numbered items and
// the last three paragraphs of the Commands text follow each other directly.
TEST(HelpTexts, TheLongTextsKeepTheirParagraphLayout) {
  struct Case { int Index; std::vector<std::wstring> Starts; };
  // What each line begins with: "" an empty line, "    " a paragraph, "        1." an item, and
  // in the Tracked windows text the example lines between the paragraph that introduces them
  // and the next empty line.
  const std::vector<Case> cases = {
      {0, {L"    On this", L"", L"    To add", L"", L"    For example", L"", L"    There are two", L"",
           L"        1. ", L"        2. ", L"        3. ", L"", L"    Every item", L"    On the", L"    To see"}},
      {4, {L"    On \"Tracked", L"", L"    For example", L"", L"    To record", L"", L"    The \"Inner", L"",
           L"    Note!!!", L"", L"    \"[*]\"", L"\"The file `", L"becomes", L"\"The file [*]", L"and then", L"",
           L"    Click \"Add\"", L"", L"    You can add", L"", L"    Pelorin repeats"}},
  };
  for (const Case& c : cases) {
    std::vector<std::wstring> lines = Lines(Body(c.Index));
    ASSERT_EQ(lines.size(), c.Starts.size()) << "text " << c.Index;
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::wstring& line = lines[i];
      if (c.Starts[i].empty()) {
        EXPECT_TRUE(line.empty()) << "text " << c.Index << " line " << i << ": " << Narrow(line);
        continue;
      }
      EXPECT_EQ(Narrow(line.substr(0, c.Starts[i].size())), Narrow(c.Starts[i])) << "text " << c.Index << " line " << i;
      EXPECT_EQ(line.find_first_of(L"\r\n"), std::wstring::npos) << "a lone CR or LF in text " << c.Index;
      EXPECT_NE(line.back(), L' ') << "text " << c.Index << " line " << i;
      // Indents of exactly four or eight blanks, or none.
      size_t blanks = line.find_first_not_of(L' ');
      EXPECT_TRUE(blanks == 0 || blanks == 4 || blanks == 8) << "text " << c.Index << " line " << i;
    }
  }
}

TEST(HelpTexts, TheTextOfEachPage) {
  struct Case { int Tab; int Inner; int Index; };
  const std::vector<Case> cases = {
      {0, 0, 0}, {0, 1, 1}, {0, 2, 2},     // Custom Inputs: Commands, Mouse, Keyboard layout
      {1, 0, 3}, {2, 0, 4}, {3, 0, 5},     // Desktop, Tracked windows, Settings
      {1, 2, 3}, {3, 1, 5},                // the inner page counts only on the first tab
      {0, 3, -1}, {0, -1, -1}, {4, 0, -1}, {-1, 0, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HelpTextIndex(c.Tab, c.Inner), c.Index) << "tab " << c.Tab << ", inner page " << c.Inner;
}

}  // namespace
}  // namespace pelorin
