#include "tracked/win/TrackedWindowsPage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "common/win/Hints.h"
#include "common/win/GdiObjects.h"
#include "common/win/Owned.h"
#include "input/CustomInputTable.h"
#include "res/resource.h"

namespace pelorin {

namespace {

// The title field grows up to the "Click at:" block, which keeps to the right edge with the
// table buttons.
constexpr TAnchor TrackedAnchors[] = {
    {IDC_HEADER_TEXT, 0, 1, 0, 0},   {IDC_BUTTON_IMAGE, 1, 0, 0, 0},     {IDC_CLICK_LABEL, 1, 0, 0, 0},
    {IDC_BTN_CHECK, 1, 0, 0, 0},     {IDC_XY_CHECK, 1, 0, 0, 0},         {IDC_BUTTON_TEXT, 1, 0, 0, 0},
    {IDC_PASTE_SYM, 1, 0, 0, 0},     {IDC_ADD_WINDOW, 1, 0, 0, 0},       {IDC_EDIT_WINDOW, 1, 0, 0, 0},
    {IDC_REMOVE_WIN_TRACK, 1, 0, 0, 0}, {IDC_TRACK_WINS_GRID, 0, 1, 0, 1},
};

constexpr std::wstring_view WinGridHeaders[] = {L"Window title:", L"Inner text/class name or window size:",
                                                L"Click at:"};

// The fields' hints end with the picker sentence, the optional ones with one more.
constexpr std::wstring_view PickerSentence = L" Use a \"Hand-point\" icon at left to specify this field";
constexpr std::wstring_view OptionalSentence = L". This field is optional";
constexpr std::wstring_view RadioHint =
    L"this radio-button is set automatically depending on context of the window area under the drag&dropping "
    L"hand-point icon";

// The system's hand cursor, and the part of it that is not transparent: the pictures show
// that part, scaled to fit, whatever size the cursor comes in.
struct THandPicture {
  HCURSOR Cursor = nullptr;
  SIZE Size{32, 32};
  RECT Box{0, 0, 32, 32};
};

const THandPicture& HandPicture() {
  static const THandPicture picture = [] {
    THandPicture p;
    p.Cursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND));
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
  }();
  return picture;
}

bool IsHandPicture(int id) {
  return id == IDC_HEADER_IMAGE || id == IDC_IN_WIN_IMAGE || id == IDC_SIZE_IMAGE || id == IDC_BUTTON_IMAGE;
}

}  // namespace

TTrackedWindowsPage::TTrackedWindowsPage(const std::vector<TTrackedWindowRow>& rows, int cellPrefixLen,
                                         TConfigState& state)
    : TFormPage(IDD_TRACKED_PAGE), Rows(rows), CellPrefixLen(cellPrefixLen), State(state) {}

std::span<const TAnchor> TTrackedWindowsPage::Anchors() const { return TrackedAnchors; }

void TTrackedWindowsPage::Init() {
  const Settings design;
  WinGrid.Attach(Control(IDC_TRACK_WINS_GRID), 0, {WinGridHeaders[0], WinGridHeaders[1], WinGridHeaders[2]},
                 static_cast<int>(std::lround(design.WinGridColWidths[0] * Host().Scale)), Host().Scale);
  WinGrid.OnColumnsResized = [this] { SetSysCfgChanged(State); };
  ShowRows(Rows);

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
  WinGrid.SetRows(shown);
}

bool TTrackedWindowsPage::Notify(const NMHDR& header, LRESULT& result) { return WinGrid.Notify(header, result); }

bool TTrackedWindowsPage::DrawItem(const DRAWITEMSTRUCT& item) {
  if (!IsHandPicture(static_cast<int>(item.CtlID))) return false;
  PaintPictureBackground(item);
  const THandPicture& hand = HandPicture();
  if (hand.Cursor == nullptr) return true;
  const RECT& r = item.rcItem;
  double k = std::min(static_cast<double>(RectWidth(r)) / RectWidth(hand.Box),
                      static_cast<double>(RectHeight(r)) / RectHeight(hand.Box));
  int w = static_cast<int>(std::lround(hand.Size.cx * k)), h = static_cast<int>(std::lround(hand.Size.cy * k));
  int x = r.left + static_cast<int>(std::lround((RectWidth(r) - RectWidth(hand.Box) * k) / 2 - hand.Box.left * k));
  int y = r.top + static_cast<int>(std::lround((RectHeight(r) - RectHeight(hand.Box) * k) / 2 - hand.Box.top * k));
  ::DrawIconEx(item.hDC, x, y, hand.Cursor, w, h, 0, nullptr, DI_NORMAL);
  return true;
}

}  // namespace pelorin
