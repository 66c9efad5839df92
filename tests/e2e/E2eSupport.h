// What every end-to-end scenario needs: a fresh folder with its own copy of Pelorin.exe and
// Pelorin.ini, the running process and its windows, the driver's own window that records what
// reaches it, input sent with chosen time stamps, and waiting by polling with a deadline.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "WindowSearch.h"

namespace pelorin::e2e {

// Set by main: the folder of PelorinE2E.exe (MarkerWriter.exe and FakeDesktop.exe sit there too)
// and the Pelorin.exe under test.
extern std::wstring HarnessFolder;
extern std::wstring PelorinExePath;
// Scenario folders are made under this one (RunsFolderName beside the driver); they stay
// after the run for a look at the files.
extern std::wstring RunsFolderName;
std::wstring RunsFolder();

// ---------------------------------------------------------------- waiting

// Deadlines of the polls. They only bound a wait; nothing is measured against them.
inline constexpr DWORD StartDeadlineMs = 20000;
inline constexpr DWORD EffectDeadlineMs = 5000;
inline constexpr DWORD ExitDeadlineMs = 10000;
// How long a scenario watches for something that must NOT happen. Chosen far above the 50 ms
// poll of Pelorin's command thread; every such watch is paired with a positive check of the
// same path.
inline constexpr DWORD QuietMs = 800;

// Dispatches this thread's messages (the driver's windows live here) until done() holds or
// the deadline passes; the last value of done().
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs);
// True when stays() held at every poll for the whole window, messages dispatched meanwhile.
bool HoldsFor(const std::function<bool()>& stays, DWORD windowMs);

// ---------------------------------------------------------------- files

std::string ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string Narrow(const std::wstring& text);
std::wstring Wide(const std::string& text);
// Lines of a text file without their CR LF.
std::vector<std::string> ReadLines(const std::wstring& path);

// Pelorin.ini as its documentation lays it out: "[Section]", then "Key = Value" lines, a blank
// line after each section, CR LF endings, ANSI text.
class TIni {
 public:
  TIni& Section(const std::string& name);
  TIni& Value(const std::string& key, const std::string& value);
  // Command<n>, Keys<n> (only for a chord command), Input<n> and InputState<n>.
  TIni& Row(int n, const std::string& command, const std::string& input, int state, const std::string& keysHex = "");
  std::string Text() const;

 private:
  std::string Body;
  bool Open = false;
};

// The catalogue texts as they stand in Pelorin.ini.
namespace inputs {
inline constexpr const char* Middle = "Middle mouse button click";
inline constexpr const char* Button4 = "Mouse button 4 click";
inline constexpr const char* Button5 = "Mouse button 5 click";
inline constexpr const char* ShakeHorizontal = "Quickly move mouse horizontally forth-back";
inline constexpr const char* ShakeVertical = "Quickly move mouse vertically up-down";
}  // namespace inputs
namespace commands {
inline constexpr const char* ToggleChecked = "Checked inputs enable/disable";
inline constexpr const char* ShowPelorin = "Show Pelorin";
}  // namespace commands
// InputState values: 0 mouse, 1 chord, 5 checked mouse, 6 checked chord.
inline constexpr int StateMouse = 0;
inline constexpr int StateChord = 1;
inline constexpr int StateMouseChecked = 5;
inline constexpr int StateChordChecked = 6;

// One key: its virtual key, scan code and name in chord texts.
struct TKey {
  BYTE Vk;
  BYTE Scan;
  const char* Name;
};
namespace keys {
inline constexpr TKey LeftCtrl{VK_LCONTROL, 0x1D, "Left Ctrl"};
inline constexpr TKey LeftShift{VK_LSHIFT, 0x2A, "Left Shift"};
inline constexpr TKey A{'A', 0x1E, "A"};
inline constexpr TKey H{'H', 0x23, "H"};
inline constexpr TKey M{'M', 0x32, "M"};
inline constexpr TKey Q{'Q', 0x10, "Q"};
inline constexpr TKey V{'V', 0x2F, "V"};
inline constexpr TKey W{'W', 0x11, "W"};
inline constexpr TKey X{'X', 0x2D, "X"};
inline constexpr TKey F12{VK_F12, 0x58, "F12"};
inline constexpr TKey Escape{VK_ESCAPE, 0x01, "Esc"};
}  // namespace keys

// A chord as a row holds it: "Left Ctrl + A" and, for a command, its Keys value (the count,
// the virtual keys, the scan codes, as upper-case hexadecimal).
struct TChord {
  std::vector<TKey> Keys;
  std::string Text() const;
  std::string Hex() const;
};

// ---------------------------------------------------------------- processes

struct TProcessEntry {
  DWORD Pid = 0;
  DWORD ParentPid = 0;
  std::wstring ImagePath;    // empty when the process could not be opened
  std::wstring CommandLine;  // read from its process parameters
};
// Running processes of that file name (any letter case).
std::vector<TProcessEntry> ProcessesNamed(const wchar_t* exeName);
// Window text of any window, also another process's.
std::wstring WindowText(HWND window);
std::wstring ClassOf(HWND window);
// A visible top-level window of the process with that class (and caption, when given).
HWND FindShownWindow(DWORD pid, const wchar_t* className, const std::wstring& caption = L"");
// The message of a message box: the texts of its static controls.
std::wstring MessageBoxText(HWND box);
// FindTopWindow(pid, class) and FindControl(parent, id).
using test::FindControl;
using test::FindTopWindow;

// Clicks the item of Pelorin's pop-up menu that carries `caption`, by the messages a click
// gives it; false when the pop-up has no such item.
bool ClickPopupItem(HWND popup, const wchar_t* caption);

// Pelorin's worker takes the "Activate Pelorin" atom a second start leaves, once per 50 ms
// tick, and then shows the main window unless Pelorin already counts it as the window in
// front. Leaving the atom n times and seeing it taken each time shows that n ticks began.
bool WaitForWorkerTicks(int n);

// This session's desktop opened without DESKTOP_HOOKCONTROL, inheritable. A process started
// with it as its desktop is refused every hook by the system (ERROR_ACCESS_DENIED), while
// its windows work as usual: a real start-up failure of the hooks.
class TDesktopWithoutHooks {
 public:
  TDesktopWithoutHooks();
  ~TDesktopWithoutHooks();
  HANDLE Handle() const { return Desktop; }

 private:
  HANDLE Desktop = nullptr;
};

// A Pelorin.exe the scenario started (FakeDesktop.exe is started and ended the same way; its
// main window is looked for by the caller).
class TPelorin {
 public:
  TPelorin() = default;
  TPelorin(const TPelorin&) = delete;
  TPelorin& operator=(const TPelorin&) = delete;
  ~TPelorin();

  // Starts exePath with these parameters; with a desktop handle the process inherits it as its
  // desktop. False, with a failure recorded, when the process did not start.
  bool Start(const std::wstring& exePath, const std::wstring& parameters, HANDLE inheritedDesktop = nullptr);
  // Takes over a process started by someone else (a Pelorin that restarted itself), to wait
  // for it and end it like one started here; false when it cannot be opened.
  bool Attach(DWORD pid);
  // Waits for its main window, then for its GUI thread to wait for input: the hooks are
  // installed before its message loop starts.
  bool WaitUntilRunning();
  HWND Window() const { return Main; }
  DWORD Pid() const { return Info.dwProcessId; }
  bool Visible() const { return Main != nullptr && ::IsWindowVisible(Main); }
  // The text of one of its controls, by id from res/resource.h.
  std::wstring ControlText(int id) const;
  // Ends within the deadline; its exit code, or nothing.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs) const;
  // WM_CLOSE to the main window and the exit code, or nothing when it did not end in time.
  std::optional<DWORD> Close();

 private:
  PROCESS_INFORMATION Info{};
  HWND Main = nullptr;
};

// ---------------------------------------------------------------- the driver's own window

// What reached the driver's windows, in arrival order.
struct TArrival {
  UINT Message;
  WPARAM Value;   // the key, the button or the wheel delta
  bool Ctrl;      // Ctrl was down for this key message
  bool Extended;  // a key message with the extended-key bit
};

// A normal top-level window (caption, minimise and maximise boxes: never a game) with an edit
// control, both recording the input that reaches them. One exists at a time.
class TDriverWindow {
 public:
  TDriverWindow();
  TDriverWindow(const TDriverWindow&) = delete;
  TDriverWindow& operator=(const TDriverWindow&) = delete;
  ~TDriverWindow();

  HWND Handle() const { return Window; }
  HWND Edit() const { return EditBox; }
  // Brings it to the front with the keyboard focus in the edit control and waits for both.
  bool Activate();
  // A screen point over an empty part of the window, away from the edit control.
  POINT BlankPoint() const;
  // The same point for any driver window: they all open at the same place.
  static POINT UsualBlankPoint();

  const std::vector<TArrival>& Arrivals() const { return Log; }
  int Count(UINT message) const;
  // Key-down and key-up messages of that virtual key (the WM_SYS ones included).
  int KeyDowns(WPARAM vk) const;
  int KeyUps(WPARAM vk) const;
  std::vector<int> WheelDeltas() const;
  std::wstring EditText() const;
  void SetEditText(const std::wstring& text);
  void Clear() { Log.clear(); }
  // The log as text for failure messages: "MDown KeyDown(Q+Ctrl) Char(a) Wheel(+120)".
  std::string Describe() const;

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
  void Record(UINT message, WPARAM wParam, LPARAM lParam);

  HWND Window = nullptr;
  HWND EditBox = nullptr;
  WNDPROC EditDefault = nullptr;
  std::vector<TArrival> Log;
};

// A full-screen window without caption buttons and without a list view: what Pelorin takes for
// a game. Records the middle clicks that reach it.
class TGameWindow {
 public:
  TGameWindow();
  ~TGameWindow();
  HWND Handle() const { return Window; }
  int MiddleDowns() const { return Middle; }

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  HWND Window = nullptr;
  int Middle = 0;
};

// Brings a window of any process to the front and waits until it is there.
bool BringToFront(HWND window);

class TInput;
// Input reaches windows in the order it was sent: once a later event that Pelorin passes on
// has arrived, every earlier one has been through Pelorin's hooks and, unless eaten, arrived.
// A right click at the cursor, which must be over the driver's empty area.
bool SyncMouse(TInput& input, TDriverWindow& driver);
// F12 pressed and released in the focused edit control.
bool SyncKeys(TInput& input, TDriverWindow& driver);

// ---------------------------------------------------------------- input with chosen times

// The markers Pelorin puts in the time stamp of its own and its probe events. No event of the
// driver may carry them.
inline constexpr DWORD OwnInputMark = 481461;
inline constexpr DWORD ProbeMark = 5081978;

// Sends unmarked input through SendInput, every event with the time stamp the scenario chose.
// Times come from a clock of the scenario's own, started far above both markers and only ever
// moved forward.
class TInput {
 public:
  static constexpr DWORD FirstTime = 40000000;

  DWORD Now() const { return Clock; }
  // Moves the clock on and gives the new time.
  DWORD After(DWORD ms);

  struct TMove {
    int X;
    int Y;
    DWORD Time;
  };
  // Absolute moves, all in one SendInput call.
  void Moves(const std::vector<TMove>& moves);
  // One absolute move, and a check that the cursor landed there.
  void MoveTo(POINT p, DWORD time);
  // A button event: MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_XUP with XBUTTON1, ...
  void Button(DWORD flags, DWORD data, DWORD time);
  // Down at `time`, up `holdMs` later; the clock ends at the up.
  void Click(DWORD downFlags, DWORD upFlags, DWORD data, DWORD time, DWORD holdMs = 20);
  void Wheel(int delta, DWORD time);
  struct TKeyEvent {
    TKey Key;
    bool Up;
    DWORD Time;
  };
  // Key events, all in one SendInput call.
  void Keys(const std::vector<TKeyEvent>& events);
  // Every key of the chord down in order, then up in reverse order, 10 ms apart, one call.
  void Chord(const std::vector<TKey>& chord);
  // Where the last absolute move put the pointer, if any move was sent.
  std::optional<POINT> LastMovedTo() const { return LastMove; }

 private:
  // Fails the scenario on a time that is 0, a marker, or earlier than the last one sent; moves
  // the clock up to it.
  DWORD Checked(DWORD time);
  void Send(std::vector<INPUT>& events);

  DWORD Clock = FirstTime;
  std::optional<POINT> LastMove;
  DWORD LastSent = FirstTime;
};

// ---------------------------------------------------------------- the scenario fixture

// Each scenario: a fresh folder named after the test with a copy of Pelorin.exe in it.
// Everything the scenario started is ended afterwards, restarted successors included, and the
// files left in the folder are checked.
class TScenario : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void WriteIni(const TIni& ini);
  std::wstring IniPath() const { return Folder + L"Pelorin.ini"; }
  std::wstring ExePath() const { return Folder + L"Pelorin.exe"; }
  // Copies a helper program (MarkerWriter.exe) beside Pelorin.exe; its path.
  std::wstring CopyHelper(const wchar_t* name);
  // The command line of a row that makes MarkerWriter.exe append a line to `marker`.
  std::wstring MarkerCommand(const std::wstring& marker);

  // Starts a Pelorin and waits until it runs; null, with a failure recorded, when it did not.
  TPelorin* StartPelorin(const std::wstring& parameters, HANDLE inheritedDesktop = nullptr);
  // The Pelorin.exe processes started from this folder, successors included.
  std::vector<TProcessEntry> OwnPelorins() const;

  std::wstring Folder;  // ends in a backslash
  std::vector<std::unique_ptr<TPelorin>> Started;
  TInput Input;

 private:
  // What WriteIni wrote: no scenario that starts from it changes a setting, so Pelorin must
  // leave the file as it was.
  std::optional<std::string> IniWritten;
};

}  // namespace pelorin::e2e
