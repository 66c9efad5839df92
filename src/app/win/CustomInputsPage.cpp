#include "app/win/CustomInputsPage.h"

#include <commctrl.h>

#include <algorithm>

#include "app/MainWorkThread.h"
#include "common/win/Hints.h"
#include "input/win/CommandsPage.h"
#include "res/resource.h"

namespace pelorin {

namespace {

constexpr int ControlGap = 6;  // dialog units between the label and its neighbours
constexpr TAnchor InputsAnchors[] = {{IDC_INPUTS_TABS, 0, 1, 0, 1}};

}  // namespace

TCustomInputsPage::TCustomInputsPage(TCommandsPage& commands, TFormPage& mouse, TFormPage& keyboardLayout)
    : TFormPage(IDD_CUSTOM_INPUTS_PAGE), Commands(commands), SubPages{&commands, &mouse, &keyboardLayout} {}

std::span<const TAnchor> TCustomInputsPage::Anchors() const { return InputsAnchors; }

bool TCustomInputsPage::Create(const TPageHost& host, HWND parent) {
  if (!TFormPage::Create(host, parent)) return false;
  InputsTabs = TFormPage::Control(IDC_INPUTS_TABS);
  if (InputsTabs == nullptr) return false;
  TabsDesign = RectIn(InputsTabs, Handle());
  for (TFormPage* page : SubPages) {
    if (!page->Create(host, Handle())) return false;
    AddTab(InputsTabs, *page);
  }
  Label = Commands.ErrorLabel();
  // The label moves between the sub-tabs and keeps its colour on each.
  for (TFormPage* page : SubPages) page->ColourAsError(Label);
  ShowPage(0);
  return true;
}

void TCustomInputsPage::PageGone() {
  TFormPage::PageGone();
  InputsTabs = Label = nullptr;
}

int TCustomInputsPage::HelpIndex() const { return SubPages[static_cast<int>(ActivePage())]->HelpIndex(); }

SIZE TCustomInputsPage::MinimumSize() const {
  // The page's own template size, grown where its sub-tabs need more room than the tab
  // control gives them at that size.
  RECT display = TabsDesign;
  ::SendMessageW(InputsTabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  SIZE sub{0, 0};
  for (const TFormPage* page : SubPages) {
    sub.cx = std::max(sub.cx, page->MinimumSize().cx);
    sub.cy = std::max(sub.cy, page->MinimumSize().cy);
  }
  SIZE design = DesignSize();
  return {design.cx + std::max(0L, sub.cx - RectWidth(display)),
          design.cy + std::max(0L, sub.cy - RectHeight(display))};
}

HWND TCustomInputsPage::Control(int id) const {
  if (HWND control = TFormPage::Control(id)) return control;
  for (const TFormPage* page : SubPages)
    if (HWND control = page->Control(id)) return control;
  return nullptr;
}

void TCustomInputsPage::ShowSettings(const Settings& settings) {
  for (TFormPage* page : SubPages) page->ShowSettings(settings);
}

void TCustomInputsPage::LoadGeometry(const Settings& settings) {
  for (TFormPage* page : SubPages) page->LoadGeometry(settings);
}

void TCustomInputsPage::StoreGeometry(Settings& settings) const {
  for (const TFormPage* page : SubPages) page->StoreGeometry(settings);
}

TInputsPage TCustomInputsPage::ActivePage() const {
  LRESULT index = InputsTabs != nullptr ? ::SendMessageW(InputsTabs, TCM_GETCURSEL, 0, 0) : 0;
  return static_cast<TInputsPage>(std::clamp<LRESULT>(index, 0, InputsPageCount - 1));
}

void TCustomInputsPage::ShowPage(int index) {
  if (InputsTabs == nullptr) return;
  ShowTabPage(InputsTabs, SubPages, index);
  PlaceErrorLabel();
}

bool TCustomInputsPage::Notify(const NMHDR& header, LRESULT&) {
  if (header.hwndFrom != InputsTabs || header.code != TCN_SELCHANGE) return false;
  ShowPage(static_cast<int>(::SendMessageW(InputsTabs, TCM_GETCURSEL, 0, 0)));
  return true;
}

void TCustomInputsPage::Resized() {
  FitSubPages();
  PlaceErrorLabel();
}

void TCustomInputsPage::FitSubPages() {
  if (InputsTabs == nullptr) return;
  RECT display = RectIn(InputsTabs, Handle());
  ::SendMessageW(InputsTabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  for (TFormPage* page : SubPages)
    if (page->Handle() != nullptr)
      ::SetWindowPos(page->Handle(), nullptr, display.left, display.top, RectWidth(display), RectHeight(display),
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void TCustomInputsPage::PlaceErrorLabel() {
  HWND host = Page(ActivePage());
  if (Label == nullptr || host == nullptr) return;
  if (::GetParent(Label) != host) ::SetParent(Label, host);
  // At the bottom edge, in the row of the InputsEnabled switch and Remove: every sub-tab has
  // the size of the Commands sub-tab, so their places there hold on each.
  RECT gap = Commands.BottomRowGap();
  int margin = Host().DluX(ControlGap);
  int height = Host().DluY(8);
  ::SetWindowPos(Label, HWND_TOP, gap.left + margin, (gap.top + gap.bottom - height) / 2,
                 gap.right - margin - (gap.left + margin), height, SWP_NOACTIVATE);
}

void TCustomInputsPage::ShowHookError() { ShowErrorLabel(HookErrorText, HookErrorHint); }

void TCustomInputsPage::ShowErrorLabel(std::wstring_view text, std::wstring_view hint) {
  if (Label == nullptr) return;
  // Hidden while it changes: the label draws no background of its own, so the page must
  // repaint under the old text.
  ::ShowWindow(Label, SW_HIDE);
  ::SetWindowTextW(Label, std::wstring(text).c_str());
  Host().Hints->Remove(Label);
  if (!hint.empty()) Host().Hints->Add(Label, hint);
  PlaceErrorLabel();
  ::ShowWindow(Label, SW_SHOWNA);
}

}  // namespace pelorin
