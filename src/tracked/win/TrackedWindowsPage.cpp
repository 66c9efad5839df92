#include "tracked/win/TrackedWindowsPage.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "common/win/Fatal.h"
#include "common/win/GdiObjects.h"
#include "common/win/Hints.h"
#include "common/win/MsgBox.h"
#include "common/win/Owned.h"
#include "input/CustomInputTable.h"
#include "res/resource.h"

namespace pelorin {

namespace {

constexpr UINT_PTR FieldSubclassId = 1;

// The title field grows up to the "Click at:" block, which keeps to the right edge with the
// table buttons.
constexpr TAnchor TrackedAnchors[] = {
    {IDC_HEADER_TEXT, 0, 1, 0, 0},   {IDC_BUTTON_IMAGE, 1, 0, 0, 0},     {IDC_CLICK_LABEL, 1, 0, 0, 0},
    {IDC_BTN_CHECK, 1, 0, 0, 0},     {IDC_XY_CHECK, 1, 0, 0, 0},         {IDC_BUTTON_TEXT, 1, 0, 0, 0},
    {IDC_PASTE_SYM, 1, 0, 0, 0},     {IDC_ADD_WINDOW, 1, 0, 0, 0},       {IDC_EDIT_WINDOW, 1, 0, 0, 0},
    {IDC_REMOVE_WIN_TRACK, 1, 0, 0, 0}, {IDC_TRACK_WINS_GRID, 0, 1, 0, 1},
};

// The four edit fields, in the order "[*]" looks for the focused one.
constexpr int FieldIds[] = {IDC_HEADER_TEXT, IDC_IN_WIN_TEXT, IDC_WIN_SIZE, IDC_BUTTON_TEXT};

// The fields' hints end with the picker sentence, the optional ones with one more.
constexpr std::wstring_view PickerSentence = L" Use a \"Hand-point\" icon at left to specify this field";
constexpr std::wstring_view OptionalSentence = L". This field is optional";
constexpr std::wstring_view RadioHint =
    L"this radio-button is set automatically depending on context of the window area under the drag&dropping "
    L"hand-point icon";

// The pointing hand, and the part of it that is not transparent: the pictures show that part,
// scaled to fit, whatever size the cursor comes in.
struct THandPicture {
  HCURSOR Cursor = nullptr;
  SIZE Size{32, 32};
  RECT Box{0, 0, 32, 32};
};

THandPicture MakeHandPicture(HCURSOR cursor) {
  THandPicture p;
  p.Cursor = cursor;
  if (p.Cursor == nullptr) return p;
  ICONINFO info{};
  if (::GetIconInfo(p.Cursor, &info)) {
    BITMAP mask{};
    ::GetObjectW(info.hbmMask, sizeof(mask), &mask);
    // A monochrome cursor keeps its AND and XOR masks one above the other.
    p.Size = {mask.bmWidth, info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2};
    if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
  }
  // Drawn once on white and once on black: a pixel that is the background in both is
  // transparent.
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = p.Size.cx;
  bi.bmiHeader.biHeight = -p.Size.cy;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  TOwnedDc memory(::CreateCompatibleDC(nullptr));
  HDC dc = memory.Get();
  uint32_t* pixels[2] = {};
  TGdiObject white(::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels[0]), nullptr, 0));
  TGdiObject black(::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels[1]), nullptr, 0));
  if (white.Get() == nullptr || black.Get() == nullptr) return p;
  RECT all{0, 0, p.Size.cx, p.Size.cy};
  for (int i = 0; i < 2; ++i) {
    TSelected bitmap(dc, i == 0 ? white.Get() : black.Get());
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(i == 0 ? WHITE_BRUSH : BLACK_BRUSH)));
    ::DrawIconEx(dc, 0, 0, p.Cursor, p.Size.cx, p.Size.cy, 0, nullptr, DI_NORMAL);
  }
  ::GdiFlush();
  RECT box{p.Size.cx, p.Size.cy, 0, 0};
  for (int y = 0; y < p.Size.cy; ++y) {
    for (int x = 0; x < p.Size.cx; ++x) {
      size_t i = static_cast<size_t>(y) * p.Size.cx + x;
      if ((pixels[0][i] & 0xFFFFFF) == 0xFFFFFF && (pixels[1][i] & 0xFFFFFF) == 0) continue;
      box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
             std::max<LONG>(box.bottom, y + 1)};
    }
  }
  if (box.right > box.left) p.Box = box;
  return p;
}

const THandPicture& HandPicture(HCURSOR cursor) {
  static std::map<HCURSOR, THandPicture> pictures;
  auto it = pictures.find(cursor);
  if (it == pictures.end()) it = pictures.emplace(cursor, MakeHandPicture(cursor)).first;
  return it->second;
}


bool IsHandPicture(int id) {
  return id == IDC_HEADER_IMAGE || id == IDC_IN_WIN_IMAGE || id == IDC_SIZE_IMAGE || id == IDC_BUTTON_IMAGE;
}

// The picture's Tag: what it picks.
TPickerMode PickerModeOf(int imageId) {
  switch (imageId) {
    case IDC_HEADER_IMAGE:
      return pmTitle;
    case IDC_IN_WIN_IMAGE:
      return pmInnerText;
    case IDC_SIZE_IMAGE:
      return pmSize;
    case IDC_BUTTON_IMAGE:
      return pmButton;
    default:
      return pmNone;
  }
}

bool Checked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }

void SetChecked(HWND page, int id, bool on) { ::CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }

void SetText(HWND control, const std::wstring& text) {
  if (WindowText(control) != text) ::SetWindowTextW(control, text.c_str());
}

}  // namespace

TTrackedWindowsPage::TTrackedWindowsPage(std::vector<TTrackedWindowRow>& rows, int cellPrefixLen,
                                         TConfigState& state, TSharedState& shared)
    : TFormPage(IDD_TRACKED_PAGE),
      Rows(rows),
      CellPrefixLen(cellPrefixLen),
      State(state),
      Shared(shared),
      Picker({shared, PickerWindows, Accessibility, Ansi, Screen}) {
  Screen.Repaint = [this] { Repaint(); };
}

std::span<const TAnchor> TTrackedWindowsPage::Anchors() const { return TrackedAnchors; }

void TTrackedWindowsPage::Init() {
  Warned = {};
  FocusBeforePaste = nullptr;
  DraggedImage = nullptr;
  HandPoint = ::LoadCursorW(Host().Resources, L"HANDPOINT");
  if (HandPoint == nullptr) HandPoint = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND));

  const Settings design;
  WinGrid.Attach(Control(IDC_TRACK_WINS_GRID), 0,
                 {TrackedGridHeaders[0], TrackedGridHeaders[1], TrackedGridHeaders[2]},
                 static_cast<int>(std::lround(design.WinGridColWidths[0] * Host().Scale)), Host().Scale);
  WinGrid.OnToggle = [this](int item) { return ToggleRow(item); };
  WinGrid.OnDrop = [this](int from, int to) { DropRow(from, to); };
  WinGrid.OnDelete = [this] {
    if (Showing()) RemoveBtnClick();
  };
  WinGrid.FitWidths = [this](int clientWidth) { return FitTrackedColumnWidths(Rows, CellPrefixLen, clientWidth); };
  WinGrid.OnColumnsResized = [this] { SetSysCfgChanged(State); };
  ShowRows(Rows);

  // The typing warning sees each character typed into a field; "[*]" remembers where the
  // focus was before its click took it.
  for (int id : FieldIds)
    ::SetWindowSubclass(Control(id), FieldProc, FieldSubclassId, reinterpret_cast<DWORD_PTR>(this));
  ::SetWindowSubclass(Control(IDC_PASTE_SYM), FieldProc, FieldSubclassId, reinterpret_cast<DWORD_PTR>(this));

  auto join = [](std::initializer_list<std::wstring_view> parts) {
    std::wstring text;
    for (std::wstring_view part : parts) text += part;
    return text;
  };
  const std::wstring titleHint = join({L"Title text of window, which Pelorin will track.", PickerSentence});
  const std::wstring buttonHint =
      join({L"Text of button, which Pelorin will click when tracked window appears. Or coordinates, relative to the "
            L"window, by which Pelorin will click.",
            PickerSentence});
  const std::wstring innerHint =
      join({L"Text must be contained inside the tracked window, or window class name(see the Help).", PickerSentence,
            OptionalSentence});
  const std::wstring sizeHint = join({L"Size of window, which Pelorin will track.", PickerSentence, OptionalSentence});
  const std::pair<int, std::wstring> hints[] = {
      {IDC_HEADER_IMAGE, L"Drag&Drop this hand-point icon onto the window title"},
      {IDC_IN_WIN_IMAGE, L"Drag&Drop this hand-point icon onto the text, contained inside the window"},
      {IDC_SIZE_IMAGE, L"Drag&Drop this hand-point icon onto the window to get it size"},
      {IDC_BUTTON_IMAGE, L"Drag&Drop this hand-point icon onto the window button"},
      {IDC_HEADER_TEXT, titleHint},
      {IDC_IN_WIN_TEXT, innerHint},
      {IDC_IN_WIN_CHECK, innerHint},
      {IDC_WIN_SIZE, sizeHint},
      {IDC_WIN_SIZE_CHECK, sizeHint},
      {IDC_BUTTON_TEXT, buttonHint},
      {IDC_BTN_CHECK, std::wstring(RadioHint)},
      {IDC_XY_CHECK, std::wstring(RadioHint)},
      {IDC_PASTE_SYM,
       L"Use these [*] 3 symbols to replace any various parts of text in all editors on this tab-sheet. Click to "
       L"paste these symbols into the currently active editor"},
  };
  for (const auto& [id, text] : hints) Host().Hints->Add(Control(id), text);
}

void TTrackedWindowsPage::PageGone() {
  // A drag never outlives its window: the frame goes with it.
  CursorImageMouseUp();
  TFormPage::PageGone();
}

void TTrackedWindowsPage::LoadGeometry(const Settings& settings) {
  for (int c = 0; c < WinGridColumns; ++c) WinGrid.SetColumnWidth(c, settings.WinGridColWidths[c]);
}

void TTrackedWindowsPage::StoreGeometry(Settings& settings) const {
  for (int c = 0; c < WinGridColumns; ++c) settings.WinGridColWidths[c] = WinGrid.ColumnWidth(c);
}

void TTrackedWindowsPage::ShowRows(const std::vector<TTrackedWindowRow>& rows) {
  const std::wstring prefix(static_cast<size_t>(CellPrefixLen), L' ');
  std::vector<TCheckRow> shown;
  for (const TTrackedWindowRow& row : rows)
    shown.push_back({{prefix + row.Title, row.InnerText, row.ClickAt}, !row.Title.empty(), IsCheckedState(row.State)});
  TProgrammaticChange guard(State);
  WinGrid.SetRows(shown);
}

TTrackedFields TTrackedWindowsPage::Fields() const {
  TTrackedFields f;
  f.HeaderText = WindowText(Control(IDC_HEADER_TEXT));
  f.InWinText = WindowText(Control(IDC_IN_WIN_TEXT));
  f.WinSize = WindowText(Control(IDC_WIN_SIZE));
  f.ButtonText = WindowText(Control(IDC_BUTTON_TEXT));
  f.InWinCheck = Checked(Handle(), IDC_IN_WIN_CHECK);
  f.WinSizeCheck = Checked(Handle(), IDC_WIN_SIZE_CHECK);
  f.BtnCheck = Checked(Handle(), IDC_BTN_CHECK);
  f.XYCheck = Checked(Handle(), IDC_XY_CHECK);
  return f;
}

void TTrackedWindowsPage::ShowChecks(const TTrackedFields& f) {
  SetChecked(Handle(), IDC_IN_WIN_CHECK, f.InWinCheck);
  SetChecked(Handle(), IDC_WIN_SIZE_CHECK, f.WinSizeCheck);
  SetChecked(Handle(), IDC_BTN_CHECK, f.BtnCheck);
  SetChecked(Handle(), IDC_XY_CHECK, f.XYCheck);
}

void TTrackedWindowsPage::ShowFields(const TTrackedFields& f) {
  TProgrammaticChange guard(State);
  SetText(Control(IDC_HEADER_TEXT), f.HeaderText);
  SetText(Control(IDC_IN_WIN_TEXT), f.InWinText);
  SetText(Control(IDC_WIN_SIZE), f.WinSize);
  SetText(Control(IDC_BUTTON_TEXT), f.ButtonText);
  ShowChecks(f);
}

bool TTrackedWindowsPage::Command(int id, int code, HWND control) {
  if (code == STN_CLICKED && IsHandPicture(id)) {
    CursorImageMouseDown(id);
    return true;
  }
  if (code == EN_CHANGE) {
    FieldChanged(id);
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_ADD_WINDOW:
    case IDC_EDIT_WINDOW:
      AddBtnClick(id == IDC_EDIT_WINDOW);
      return true;
    case IDC_REMOVE_WIN_TRACK:
      RemoveBtnClick();
      return true;
    case IDC_PASTE_SYM: {
      // A click with the mouse took the focus from the field; Space on the button finds none.
      HWND field = FocusBeforePaste != nullptr ? FocusBeforePaste : ::GetFocus();
      FocusBeforePaste = nullptr;
      PasteSymBtnClick(field);
      return true;
    }
    case IDC_IN_WIN_CHECK:
    case IDC_WIN_SIZE_CHECK: {
      if (State.ProgrammaticChange) return true;
      TTrackedFields f = Fields();
      if (id == IDC_IN_WIN_CHECK)
        InWinCheckClick(f);
      else
        WinSizeCheckClick(f);
      ShowChecks(f);
      return true;
    }
    default:
      (void)control;
      return false;
  }
}

void TTrackedWindowsPage::FieldChanged(int id) {
  if (State.ProgrammaticChange) return;
  TTrackedFields f = Fields();
  if (id == IDC_IN_WIN_TEXT)
    InWinTextChange(f);
  else if (id == IDC_WIN_SIZE)
    WinSizeChange(f);
  else if (id == IDC_BUTTON_TEXT)
    ButtonTextChange(f);
  else
    return;
  ShowChecks(f);
}

int TTrackedWindowsPage::FieldIndex(HWND control) const {
  if (control == nullptr) return -1;
  for (int i = 0; i < 4; ++i)
    if (Control(FieldIds[i]) == control) return i;
  return -1;
}

LRESULT CALLBACK TTrackedWindowsPage::FieldProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<TTrackedWindowsPage*>(data);
  switch (message) {
    case WM_LBUTTONDOWN:
      if (::GetDlgCtrlID(control) == IDC_PASTE_SYM) self->FocusBeforePaste = ::GetFocus();
      break;
    case WM_CHAR: {
      const int field = self->FieldIndex(control);
      if (field < 0 || self->Warned[field] || !WarnsWhenTyped(static_cast<unsigned>(wParam))) break;
      self->Warned[field] = true;
      // The warning comes first; the character is typed all the same.
      try {
        self->Ask(TypingWarning);
      } catch (...) {
        UnexpectedException();
      }
      break;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(control, FieldProc, FieldSubclassId);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(control, message, wParam, lParam);
}

int TTrackedWindowsPage::Ask(const TEditorMessage& message) {
  if (Message) return Message(message.Text, message.Caption, message.Flags);
  return MsgBox(message.Text, message.Caption, message.Flags);
}

void TTrackedWindowsPage::PasteSymBtnClick(HWND field) {
  if (FieldIndex(field) < 0) return;
  DWORD start = 0, end = 0;
  ::SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const TPasted pasted = PasteWildcard(WindowText(field), start, end);
  ::SetFocus(field);
  // A change the user made: the change handlers run (ButtonText becomes a button text).
  ::SetWindowTextW(field, pasted.Text.c_str());
  ::SendMessageW(field, EM_SETSEL, pasted.Caret, pasted.Caret);
}

void TTrackedWindowsPage::AddBtnClick(bool edit) {
  const TAddWindowOutcome out = AddWindowRow(Rows, Fields(), edit, SelectedRow());
  if (!out.Done) {
    // A duplicate is shown before it is reported.
    if (out.SelectRow >= 0) RefreshGrid(out.SelectRow);
    Ask(out.Message);
    if (out.SelectRow >= 0) ::SetFocus(Grid());
    return;
  }
  RowsChanged();
  RefreshGrid(out.SelectRow);
  Ask(out.Message);
}

void TTrackedWindowsPage::RemoveBtnClick() {
  const int row = SelectedRow();
  if (!CanRemoveWindowRow(Rows, row)) return;
  if (Ask(RemoveQuestion(RemoveWindowWhat, RemoveWindowCaption)) != MsgAnswerYes) return;
  const int next = RemoveWindowRow(Rows, row);
  RefreshGrid(next);
  RowsChanged();
}

void TTrackedWindowsPage::RowsChanged() {
  SetCfgChanged(State);
  if (OnRowsEdited) OnRowsEdited();
}

void TTrackedWindowsPage::RefreshGrid(int selectRow) {
  HWND grid = Grid();
  const int top = static_cast<int>(::SendMessageW(grid, LVM_GETTOPINDEX, 0, 0));
  ShowRows(Rows);
  TProgrammaticChange guard(State);
  // Back where the user was looking, then the row of interest in view.
  RECT item{LVIR_BOUNDS, 0, 0, 0};
  if (top > 0 && ::SendMessageW(grid, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
    ::SendMessageW(grid, LVM_SCROLL, 0, top * RectHeight(item));
  if (selectRow >= 0 && selectRow < static_cast<int>(Rows.size())) SelectRow(selectRow);
  ::UpdateWindow(grid);
}

bool TTrackedWindowsPage::ToggleRow(int row) {
  if (row < 0 || row >= static_cast<int>(Rows.size())) return false;
  ToggleWindowRow(Rows, row);
  RowsChanged();
  return IsCheckedState(Rows[row].State);
}

void TTrackedWindowsPage::DropRow(int from, int to) {
  if (to >= 0) MoveWindowRow(Rows, from, to);
  RefreshGrid(to >= 0 ? to : from);
  // Dropped anywhere else: nothing moved, but the user did rearrange.
  RowsChanged();
}

void TTrackedWindowsPage::TrackWinsGridSelectCell(int row) {
  if (State.ProgrammaticChange || row < 0 || row >= static_cast<int>(Rows.size())) return;
  TTrackedFields f = Fields();
  ShowRowInFields(Rows[row], f);
  ShowFields(f);
}

bool TTrackedWindowsPage::Notify(const NMHDR& header, LRESULT& result) {
  if (WinGrid.Notify(header, result)) return true;
  if (header.hwndFrom != Grid() || header.code != LVN_ITEMCHANGED) return false;
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  if ((change.uChanged & LVIF_STATE) != 0 && (change.uNewState & LVIS_SELECTED) != 0 &&
      (change.uOldState & LVIS_SELECTED) == 0)
    TrackWinsGridSelectCell(change.iItem);
  return false;
}

void TTrackedWindowsPage::CursorImageMouseDown(int imageId) {
  const TPickerMode mode = PickerModeOf(imageId);
  if (mode == pmNone || Dragging()) return;
  DraggedImage = Control(imageId);
  ::ShowWindow(DraggedImage, SW_HIDE);
  Picker.BeginDrag(mode);
  // Every move and the release come here, wherever the pointer is.
  ::SetCapture(Handle());
  ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
}

void TTrackedWindowsPage::CursorImageMouseUp() {
  if (!Dragging()) return;
  // First: releasing the capture comes back here.
  Picker.EndDrag();
  if (DraggedImage != nullptr) ::ShowWindow(DraggedImage, SW_SHOWNA);
  DraggedImage = nullptr;
  ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
  if (Handle() != nullptr && ::GetCapture() == Handle()) ::ReleaseCapture();
}

void TTrackedWindowsPage::PickUnderPoint() {
  const std::optional<TPickResult> r = Picker.Step();
  if (!r) return;
  const std::wstring text = Ansi.FromAnsi(r->Text);
  switch (r->Mode) {
    case pmTitle:
      ::SetWindowTextW(Control(IDC_HEADER_TEXT), text.c_str());
      break;
    case pmInnerText:
      ::SetWindowTextW(Control(IDC_IN_WIN_TEXT), text.c_str());
      break;
    case pmSize:
      ::SetWindowTextW(Control(IDC_WIN_SIZE), text.c_str());
      break;
    case pmButton: {
      {
        TProgrammaticChange guard(State);
        ::SetWindowTextW(Control(IDC_BUTTON_TEXT), text.c_str());
      }
      TTrackedFields f = Fields();
      SetBtnCheck(f, !r->IsOffset);
      ShowChecks(f);
      break;
    }
    case pmNone:
      break;
  }
}

bool TTrackedWindowsPage::OtherMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
  if (!Dragging()) return false;
  switch (message) {
    case WM_MOUSEMOVE:
      ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
      result = 0;
      return true;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      CursorImageMouseUp();
      result = 0;
      return true;
    default:
      return false;
  }
}

void TTrackedWindowsPage::Repaint() {
  if (Handle() == nullptr) return;
  // The whole main window: its page control, this page and every control on it.
  HWND root = ::GetAncestor(Handle(), GA_ROOT);
  ::RedrawWindow(root != nullptr ? root : Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

bool TTrackedWindowsPage::HandCursorOver(int id) const { return IsHandPicture(id); }

bool TTrackedWindowsPage::DrawItem(const DRAWITEMSTRUCT& item) {
  if (!IsHandPicture(static_cast<int>(item.CtlID))) return false;
  PaintPictureBackground(item);
  const THandPicture& hand = HandPicture(HandPoint);
  if (hand.Cursor == nullptr) return true;
  const RECT& r = item.rcItem;
  double k = std::min(static_cast<double>(RectWidth(r)) / RectWidth(hand.Box),
                      static_cast<double>(RectHeight(r)) / RectHeight(hand.Box));
  // Whole multiples only: the one-pixel outlines of the drawing break when stretched by a
  // fraction. Only a picture too small for it at all is shrunk.
  if (k >= 1) k = std::floor(k);
  int w = static_cast<int>(std::lround(hand.Size.cx * k)), h = static_cast<int>(std::lround(hand.Size.cy * k));
  int x = r.left + static_cast<int>(std::lround((RectWidth(r) - RectWidth(hand.Box) * k) / 2 - hand.Box.left * k));
  int y = r.top + static_cast<int>(std::lround((RectHeight(r) - RectHeight(hand.Box) * k) / 2 - hand.Box.top * k));
  ::DrawIconEx(item.hDC, x, y, hand.Cursor, w, h, 0, nullptr, DI_NORMAL);
  return true;
}

}  // namespace pelorin
