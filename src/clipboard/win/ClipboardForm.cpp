#include "clipboard/win/ClipboardForm.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "clipboard/ClipboardPicture.h"
#include "clipboard/ClipboardText.h"
#include "clipboard/win/ClipboardThumbnail.h"
#include "common/win/GdiObjects.h"
#include "common/win/MsgBox.h"

namespace pelorin {

namespace {

enum : int { IdGrid = 101, IdMemo, IdZoom, IdSearchLabel, IdSearch, IdFindChecked, IdFindNext, IdFindPrev, IdSort };
constexpr UINT_PTR QuickPasteTimer = 1;
constexpr UINT QuickPasteRestoreMs = 300;
constexpr DWORD PasteSettleMs = 50;
// How long a paste waits for the target to take the activation before it types anyway.
constexpr int ActivationWaitMs = 500;
constexpr UINT SendTimeoutMs = 1000;
constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Grey = RGB(160, 160, 164);
constexpr int MinHeight96 = 160;

std::wstring TextOf(HWND control) {
  int length = ::GetWindowTextLengthW(control);
  std::wstring text(static_cast<size_t>(std::max(0, length)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(control, text.data(), length + 1)));
  return text;
}

// Every line break as CR LF: an edit control shows a lone CR or LF as no break at all.
std::wstring WithCrLf(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r') {
      out += L"\r\n";
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else if (c == L'\n') {
      out += L"\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

bool ModifierHeld() { return ::GetKeyState(VK_SHIFT) < 0 || ::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0; }

}  // namespace

std::wstring TSystemTextFold::Fold(std::wstring_view text) const {
  std::wstring folded(text);
  if (!folded.empty()) ::CharLowerBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  return folded;
}

TPasteTarget RecordPasteTarget(HWND foreground) {
  TPasteTarget target;
  target.Window = foreground;
  if (foreground == nullptr) return target;
  target.ThreadId = ::GetWindowThreadProcessId(foreground, nullptr);
  if (target.ThreadId == 0) return target;
  const DWORD own = ::GetCurrentThreadId();
  const bool attached = target.ThreadId != own && ::AttachThreadInput(own, target.ThreadId, TRUE);
  if (attached || target.ThreadId == own) {
    HWND focus = ::GetFocus();
    wchar_t name[57] = {};
    if (focus != nullptr && ::GetClassNameW(focus, name, 57) > 0 && ::lstrcmpiW(name, L"EDIT") == 0) {
      DWORD start = 0, end = 0;
      DWORD_PTR ignored = 0;
      if (::SendMessageTimeoutW(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end),
                                SMTO_ABORTIFHUNG, SendTimeoutMs, &ignored)) {
        target.EditControl = focus;
        target.SelStart = start;
        target.SelEnd = end;
      }
    }
    if (attached) ::AttachThreadInput(own, target.ThreadId, FALSE);
  }
  return target;
}

bool TClipboardForm::Create(HINSTANCE instance, HMODULE resources) {
  const Settings& cfg = L.Cfg;
  if (!CreateHandle(instance, {WindowClass, 0, IDC_ARROW, ::GetSysColorBrush(COLOR_BTNFACE), resources, L"MAINICON"},
                    {WS_EX_TOPMOST, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN,
                     L"Clipboard Manager", cfg.ClpWinLeft, cfg.ClpWinTop, cfg.ClpWinWidth, cfg.ClpWinHeight}))
    return false;
  HWND form = Handle();
  Hints.Create(form, instance, PixelsScale());
  if (!Grid.Create(instance, resources, form, IdGrid, Hints)) return false;
  ZoomImage.Create(instance, resources, form, IdZoom);
  ZoomImage.OnKey = [this] { BackToList(); };
  auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, DWORD ex, int id) {
    HWND control = ::CreateWindowExW(ex, cls, text, WS_CHILD | style, 0, 0, 10, 10, form,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
    return control;
  };
  MemoEdit = child(L"EDIT", L"", WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL | ES_READONLY,
                   WS_EX_CLIENTEDGE, IdMemo);
  ::SendMessageW(MemoEdit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  SearchLabel = child(L"STATIC", L"Search:", WS_VISIBLE, 0, IdSearchLabel);
  Search = child(L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, IdSearch);
  FindChecked = child(L"BUTTON", L"Find checked", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, IdFindChecked);
  FindNext = child(L"BUTTON", L"Find next", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, IdFindNext);
  FindPrev = child(L"BUTTON", L"Find prev", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, IdFindPrev);
  SortButton = child(L"BUTTON", L"Sort", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, IdSort);
  LOGFONTW italic{};
  ::GetObjectW(DialogFont(), sizeof(italic), &italic);
  italic.lfItalic = TRUE;
  ItalicFont.Reset(::CreateFontIndirectW(&italic));
  ::SendMessageW(SortButton, WM_SETFONT, reinterpret_cast<WPARAM>(ItalicFont.Get()), FALSE);
  Hints.Add(SortButton, L"Sort items by copy date with separating the checked items to end of list");
  RedBrush.Reset(::CreateSolidBrush(Red));
  GreyBrush.Reset(::CreateSolidBrush(Grey));
  for (HWND control : {Search, MemoEdit})
    ::SetWindowSubclass(control, &ControlProc, 1, reinterpret_cast<DWORD_PTR>(this));
  Layout();
  return true;
}

void TClipboardForm::WindowGone() {
  MemoEdit = SearchLabel = Search = FindChecked = FindNext = FindPrev = SortButton = nullptr;
  Hints.Forget();
}

void TClipboardForm::Layout() {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const int w = client.right, h = client.bottom;
  const int margin = Scale(4), editHeight = Scale(21), gap = Scale(4);
  const int searchTop = h - margin - editHeight;
  const int listHeight = std::max(0, searchTop - margin);
  auto place = [](HWND control, int x, int y, int cx, int cy) {
    ::SetWindowPos(control, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  place(Grid.Handle(), 0, 0, w, listHeight);
  place(MemoEdit, 0, 0, w, listHeight);
  place(ZoomImage.Handle(), 0, 0, w, h);
  // Widths follow the captions in the dialog font, so no caption is cut at any DPI or font.
  auto textWidth = [&](HWND control, const wchar_t* text) {
    TWindowDc dc(control);
    TSelected font(dc.Get(), DialogFont());
    SIZE size{};
    ::GetTextExtentPoint32W(dc.Get(), text, static_cast<int>(std::wcslen(text)), &size);
    return size;
  };
  const SIZE label = textWidth(SearchLabel, L"Search:");
  const int checkWidth = ::GetSystemMetrics(SM_CXMENUCHECK) + Scale(6) + static_cast<int>(textWidth(FindChecked, L"Find checked").cx);
  const int nextWidth = std::max<int>(Scale(62), textWidth(FindNext, L"Find next").cx + Scale(12));
  const int prevWidth = std::max<int>(Scale(62), textWidth(FindPrev, L"Find prev").cx + Scale(12));
  int x = margin;
  place(SearchLabel, x, searchTop + (editHeight - label.cy) / 2, label.cx, label.cy);
  x += label.cx + gap;
  place(Search, x, searchTop, Scale(110), editHeight);
  x += Scale(110) + 2 * gap;
  place(FindChecked, x, searchTop, checkWidth, editHeight);
  x += checkWidth + gap;
  place(FindNext, x, searchTop, nextWidth, editHeight);
  x += nextWidth + gap;
  place(FindPrev, x, searchTop, prevWidth, editHeight);
  x += prevWidth;
  const int sortWidth = std::max<int>(Scale(45), textWidth(SortButton, L"Sort").cx + Scale(12));
  place(SortButton, w - sortWidth - margin, searchTop, sortWidth, editHeight);
  MinWidth = x + 2 * sortWidth;
}

void TClipboardForm::PlaceAt(int left, int top, int width, int height) {
  // A geometry kept from a monitor that is gone is brought back onto the nearest one.
  RECT want{left, top, left + width, top + height};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (::GetMonitorInfoW(::MonitorFromRect(&want, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    width = std::min<int>(width, work.right - work.left);
    height = std::min<int>(height, work.bottom - work.top);
    left = std::clamp<int>(left, work.left, work.right - width);
    top = std::clamp<int>(top, work.top, work.bottom - height);
  }
  TProgrammaticChange guard(L.Config);
  ::SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TClipboardForm::ShowFor(const TPasteTarget& target) {
  if (Visible()) return;
  PasteTarget = target;
  const Settings& cfg = L.Cfg;
  PlaceAt(cfg.ClpWinLeft, cfg.ClpWinTop, cfg.ClpWinWidth, cfg.ClpWinHeight);
  PrepareList();
  Grid.Refresh();
  L.Keeper.SetManagerVisible(true);
  ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  ::SetForegroundWindow(Handle());
  ::SetFocus(Grid.Handle());
}

void TClipboardForm::PrepareList() {
  TProgrammaticChange guard(L.Config);
  ::SetWindowTextW(Search, L"");
  SetColour(TSearchColour::White);
  ::SendMessageW(FindChecked, BM_SETCHECK, BST_UNCHECKED, 0);
  ::ShowWindow(FindChecked, SW_SHOW);
  ::ShowWindow(SortButton, SW_SHOW);
  ::EnableWindow(Grid.Handle(), TRUE);
}

void TClipboardForm::HistoryChanged() { Grid.Refresh(); }

void TClipboardForm::Close() {
  BackToList();
  if (!Visible()) return;
  ::ShowWindow(Handle(), SW_HIDE);
  L.Keeper.SetManagerVisible(false);
}

void TClipboardForm::SetColour(TSearchColour colour) {
  if (colour == Colour) return;
  Colour = colour;
  ::InvalidateRect(Search, nullptr, TRUE);
}

void TClipboardForm::ProcessPendingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that owns it
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void TClipboardForm::PasteItem(int row, bool moveToTop, bool noPaste) {
  // An item that left the history since its row was shown is not pasted at all.
  if (!Actions.TakeRow(Grid.Rows(), row, moveToTop)) {
    Grid.Refresh();
    return;
  }
  Grid.Refresh();
  Close();
  ::Sleep(PasteSettleMs);
  ProcessPendingMessages();
  const TPasteTarget& t = PasteTarget;
  if (t.Window != nullptr) ::SetForegroundWindow(t.Window);
  // The keys must find the window active in its own thread and in front for the system:
  // typed while either is still changing, Ctrl can go to the old queue and V arrive alone.
  GUITHREADINFO gui{};
  gui.cbSize = sizeof(gui);
  for (int waited = 0; t.Window != nullptr && t.ThreadId != 0 && waited < ActivationWaitMs; waited += 5) {
    if (::GetGUIThreadInfo(t.ThreadId, &gui) && gui.hwndActive == t.Window && ::GetForegroundWindow() == t.Window)
      break;
    ::Sleep(5);
    ProcessPendingMessages();
  }
  if (t.EditControl != nullptr && t.ThreadId != 0) {
    const DWORD own = ::GetCurrentThreadId();
    if (t.ThreadId == own || ::AttachThreadInput(own, t.ThreadId, TRUE)) {
      DWORD_PTR ignored = 0;
      // The selection the user had is what the paste replaces.
      ::SendMessageTimeoutW(t.EditControl, EM_SETSEL, t.SelStart, t.SelEnd, SMTO_ABORTIFHUNG, SendTimeoutMs, &ignored);
      if (t.ThreadId != own) ::AttachThreadInput(own, t.ThreadId, FALSE);
    }
  }
  ProcessPendingMessages();
  if (!noPaste) {
    L.Input.SendKey(true, VK_LCONTROL, 0x1D, true);
    L.Input.SendKey(true, 'V', 0x2F, true);
    L.Input.SendKey(false, VK_LCONTROL, 0x1D, true);
    L.Input.SendKey(false, 'V', 0x2F, true);
  }
  // A quick paste leaves the order; the clipboard gets the top item back a moment later.
  if (!moveToTop) ::SetTimer(Handle(), QuickPasteTimer, QuickPasteRestoreMs, nullptr);
}

bool TClipboardForm::TActionsPort::ConfirmDeleteChecked() {
  Asked = true;
  return MsgBox(L"Are you sure you want to delete the checked item?", L"Deleting the checked item",
                MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void TClipboardForm::DeleteSelectedItem() {
  ::SetWindowPos(Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Port.Asked = false;
  // By the item's number: captures go on while the question is open and move the rows.
  Actions.DeleteRow(Grid.Rows(), Grid.SelectedRow());
  Grid.Refresh();
  // The box handed the activation to its owner, the hidden main window: the user goes on here.
  if (Port.Asked && Visible()) {
    ::SetForegroundWindow(Handle());
    ::SetFocus(Grid.Handle());
  }
  ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TClipboardForm::SortClick() {
  if (L.History.ClpHigh() < 0) return;
  if (L.History.Sort()) L.Keeper.SetClipboardTop();
  Grid.Refresh();
  ::SetFocus(Grid.Handle());
}

void TClipboardForm::GridClick(int row, int column, const TGridHit& hit) {
  if (!Grid.Rows().IdAt(row)) return;
  if (column == 0) {
    switch (hit.Action) {
      case TCol0MouseClickAction::mcaQuickPaste: PasteItem(row, false, false); break;
      case TCol0MouseClickAction::mcaCopy: PasteItem(row, true, true); break;
      case TCol0MouseClickAction::mcaPaste: PasteItem(row, true, false); break;
      case TCol0MouseClickAction::mcaDelete: DeleteSelectedItem(); break;
      case TCol0MouseClickAction::mcaNone: break;
    }
  } else if (column == 1) {
    PasteItem(row, true, false);
  } else if (hit.Details) {
    Details(row);
  } else if (hit.CheckBox) {
    Actions.ToggleCheckedRow(Grid.Rows(), row);
    ::InvalidateRect(Grid.Handle(), nullptr, FALSE);
  }
}

void TClipboardForm::GridEnter(int row) { PasteItem(row, true, false); }

void TClipboardForm::GridDigit(int digit) {
  if (Grid.Rows().IdAt(digit)) PasteItem(digit, true, false);
}

void TClipboardForm::GridLetter(wchar_t letter) {
  if (!::IsWindowVisible(Search) || !::IsWindowEnabled(Search)) return;
  ::SetFocus(Search);
  std::wstring text = TextOf(Search) + letter;
  ::SetWindowTextW(Search, text.c_str());  // the change runs the search
  ::SendMessageW(Search, EM_SETSEL, text.size(), text.size());
}

void TClipboardForm::Details(int row) {
  bool picture = false, text = false;
  ReadGridRow(L.History, Grid.Rows(), row, [&](const TClipboardData& item, const TClipboardHistory::TItemView& view) {
    if (view.Preview.Kind == TItemPreview::TKind::Picture) {
      const std::vector<uint8_t>& dib = item.Items[static_cast<size_t>(view.Preview.DibFormat)].Data;
      std::optional<TDibPicture> p = DibToBitmap(dib);
      if (!p) return;
      TOwnedBitmap full = MakeThumbnail(dib, p->Width, p->Height);
      if (!full) return;
      ZoomImage.SetPicture(std::move(full));
      picture = true;
      return;
    }
    for (const TClipboardDataItem& format : item.Items) {
      if (format.Format != CfText && format.Format != CfUnicodeText && format.Format != CfHDrop) continue;
      ::SetWindowTextW(MemoEdit, WithCrLf(ClipboardItemText(format, L.Ansi)).c_str());
      text = true;
      return;
    }
  });
  if (picture || text) OpenDetails(picture);
}

void TClipboardForm::OpenDetails(bool picture) {
  {
    TProgrammaticChange guard(L.Config);
    const Settings& cfg = L.Cfg;
    ::ShowWindow(Grid.Handle(), SW_HIDE);
    PlaceAt(cfg.ClpZoomWinLeft, cfg.ClpZoomWinTop, cfg.ClpZoomWinWidth, cfg.ClpZoomWinHeight);
    ::ShowWindow(FindChecked, SW_HIDE);
    ::ShowWindow(SortButton, SW_HIDE);
  }
  if (picture) {
    for (HWND control : {SearchLabel, Search, FindNext, FindPrev}) ::ShowWindow(control, SW_HIDE);
    SetColour(TSearchColour::White);
    ::ShowWindow(ZoomImage.Handle(), SW_SHOW);
    ::SetFocus(ZoomImage.Handle());
    return;
  }
  ::ShowWindow(MemoEdit, SW_SHOW);
  ::SendMessageW(MemoEdit, EM_SETSEL, 0, 0);
  if (::GetWindowTextLengthW(Search) > 0) SearchChange(TSearchFrom::TextChange);
  ::SetFocus(MemoEdit);
}

void TClipboardForm::BackToList() {
  if (!InDetails()) return;
  TProgrammaticChange guard(L.Config);
  ::ShowWindow(MemoEdit, SW_HIDE);
  ::ShowWindow(ZoomImage.Handle(), SW_HIDE);
  ZoomImage.SetPicture({});
  ::SetWindowTextW(MemoEdit, L"");
  const Settings& cfg = L.Cfg;
  PlaceAt(cfg.ClpWinLeft, cfg.ClpWinTop, cfg.ClpWinWidth, cfg.ClpWinHeight);
  SetColour(TSearchColour::White);
  for (HWND control : {FindChecked, SortButton, SearchLabel, Search, FindNext, FindPrev, Grid.Handle()})
    ::ShowWindow(control, SW_SHOW);
  Layout();
  ::EnableWindow(Grid.Handle(), TRUE);
  ::SetFocus(Grid.Handle());
}

void TClipboardForm::SearchChange(TSearchFrom from) {
  if (L.Config.ProgrammaticChange || L.History.ClpHigh() < 0) return;
  const bool wasRed = Colour == TSearchColour::Red;
  SetColour(TSearchColour::White);
  const std::wstring needle = Fold.Fold(TextOf(Search));
  if (!InDetails()) {
    const bool findChecked = ::SendMessageW(FindChecked, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (from == TSearchFrom::CheckBox && !findChecked) from = TSearchFrom::TextChange;
    if (from != TSearchFrom::TextChange || ::GetFocus() == FindChecked) ::SetFocus(Grid.Handle());
    TSearchOutcome outcome = SearchRows(
        Grid.RowCount(), Grid.SelectedRow(), from, needle.empty(), findChecked, wasRed, [&](int row) {
          bool match = false;
          ReadGridRow(L.History, Grid.Rows(), row, [&](const TClipboardData& item, const TClipboardHistory::TItemView& view) {
            match = ItemMatches(item, view.Preview, needle, findChecked, L.Ansi, Fold);
          });
          return match;
        });
    if (outcome.Row) Grid.Select(*outcome.Row);
    SetColour(outcome.Colour);
    return;
  }
  DWORD start = 0, end = 0;
  ::SendMessageW(MemoEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  TSearchOutcome outcome = SearchMemo(Fold.Fold(TextOf(MemoEdit)), needle, from, start, wasRed);
  if (outcome.At) {
    ::SendMessageW(MemoEdit, EM_SETSEL, *outcome.At, *outcome.At + needle.size());
    ::SendMessageW(MemoEdit, EM_SCROLLCARET, 0, 0);
  }
  SetColour(outcome.Colour);
}

bool TClipboardForm::SearchKey(WPARAM key) {
  if (ModifierHeld()) return false;
  switch (key) {
    case VK_RETURN: PasteItem(Grid.SelectedRow(), true, false); return true;
    case VK_ESCAPE: Close(); return true;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN: ::SetFocus(InDetails() ? MemoEdit : Grid.Handle()); return true;
    default: return false;
  }
}

void TClipboardForm::KeepGeometry() {
  if (L.Config.ProgrammaticChange || !Visible()) return;
  // Only what the user did: Pelorin's own placing runs with ProgrammaticChange.
  if (L.Shared.ForegroundWnd.load() != reinterpret_cast<TWindowHandle>(Handle())) return;
  RECT r{};
  ::GetWindowRect(Handle(), &r);
  Settings& cfg = L.Cfg;
  if (InDetails()) {
    cfg.ClpZoomWinLeft = r.left, cfg.ClpZoomWinTop = r.top;
    cfg.ClpZoomWinWidth = r.right - r.left, cfg.ClpZoomWinHeight = r.bottom - r.top;
  } else {
    cfg.ClpWinLeft = r.left, cfg.ClpWinTop = r.top;
    cfg.ClpWinWidth = r.right - r.left, cfg.ClpWinHeight = r.bottom - r.top;
  }
  SetSysCfgChanged(L.Config);
}

LRESULT CALLBACK TClipboardForm::ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR self) noexcept {
  try {
    auto* form = reinterpret_cast<TClipboardForm*>(self);
    if (control == form->Search && message == WM_KEYDOWN && form->SearchKey(wParam)) return 0;
    if (control == form->Search && message == WM_CHAR && (wParam == L'\r' || wParam == 27)) return 0;  // no beep
    if (control == form->MemoEdit) {
      if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        form->BackToList();
        return 0;
      }
      if (message == WM_LBUTTONDBLCLK) {
        form->BackToList();
        return 0;
      }
    }
  } catch (...) {
    ReportEscapedException();
    return 0;
  }
  return ::DefSubclassProc(control, message, wParam, lParam);
}

LRESULT TClipboardForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      Layout();
      KeepGeometry();
      return 0;
    case WM_MOVE:
      KeepGeometry();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, MinWidth);
      info->ptMinTrackSize.y = Scale(MinHeight96);
      return 0;
    }
    case WM_ACTIVATE:
      // A click into another program closes the window; a note or a message box of
      // Pelorin's own does not.
      if (LOWORD(wParam) == WA_INACTIVE && reinterpret_cast<HWND>(lParam) != NoteWindow &&
          !L.Shared.MsgBoxBusy.load())
        Close();
      break;
    case WM_CLOSE:
      if (InDetails())
        BackToList();
      else
        Close();
      return 0;
    case WM_LBUTTONDOWN:
      BackToList();
      return 0;
    case WM_TIMER:
      if (wParam == QuickPasteTimer) {
        ::KillTimer(Handle(), QuickPasteTimer);
        L.Keeper.SetClipboardTop();
        return 0;
      }
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IdSearch:
          if (HIWORD(wParam) == EN_CHANGE) SearchChange(TSearchFrom::TextChange);
          return 0;
        case IdFindChecked: SearchChange(TSearchFrom::CheckBox); return 0;
        case IdFindNext: SearchChange(TSearchFrom::Next); return 0;
        case IdFindPrev: SearchChange(TSearchFrom::Prev); return 0;
        case IdSort: SortClick(); return 0;
        default: break;
      }
      break;
    case WM_CTLCOLOREDIT:
      if (reinterpret_cast<HWND>(lParam) == Search && Colour != TSearchColour::White) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, Colour == TSearchColour::Red ? Red : Grey);
        return reinterpret_cast<LRESULT>(Colour == TSearchColour::Red ? RedBrush.Get() : GreyBrush.Get());
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == MemoEdit) return PageColours(reinterpret_cast<HDC>(wParam));
      break;
    default:
      break;
  }
  return DefaultMessage(message, wParam, lParam);
}

}  // namespace pelorin
