#pragma once
#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "base/Settings.h"
#include "common/win/DialogPage.h"
#include "common/win/SettingBindings.h"

namespace pelorin {

class THints;

// What the main window lends each of its pages.
struct TPageHost {
  HINSTANCE Instance = nullptr;
  HMODULE Resources = nullptr;  // the page templates and pictures
  HFONT Font = nullptr;         // "MS Shell Dlg" 8 at the screen's DPI, the pages' own font
  double Scale = 1.0;           // pixels per inch / 96
  int BaseX = 6;                // dialog base units of Font
  int BaseY = 13;
  THints* Hints = nullptr;

  int DluX(int x) const { return ::MulDiv(x, BaseX, 4); }
  int DluY(int y) const { return ::MulDiv(y, BaseY, 8); }
};

// How a control follows its page when the page is larger than its template: the share of
// the extra width and height it moves by and grows by.
struct TAnchor {
  int Id;
  double MoveX, SizeX, MoveY, SizeY;
};

// A page of the main window: a child dialog built from its template in res/MainForm.rc. The
// page alone knows its controls: its messages go to the virtual handlers below, and the
// window hosting it only places, shows and hides it. The page's controls follow its size by
// its anchors. The page goes with its parent, or by Destroy(). GUI thread only.
class TFormPage : public TDialogPage {
 public:
  explicit TFormPage(int templateId) : TemplateId(templateId) {}

  // Builds the page hidden in `parent`, its controls set up by Init.
  virtual bool Create(const TPageHost& host, HWND parent);

  // The template's caption: the title of the page's tab.
  std::wstring Title() const;
  // The page's client size at its template's size.
  SIZE DesignSize() const { return Design; }
  // The smallest client size at which nothing on the page is clipped.
  virtual SIZE MinimumSize() const { return Design; }
  // A control of this page (or of a page on it) by its id in res/resource.h; null when none.
  virtual HWND Control(int id) const;
  // Which help text F1 shows while this page is in front.
  virtual int HelpIndex() const = 0;

  // The settings shown in the page's setting controls; the caller sets ProgrammaticChange.
  virtual void ShowSettings(const Settings& settings);
  // The window values the page keeps (column widths), shown and read back.
  virtual void LoadGeometry(const Settings&) {}
  virtual void StoreGeometry(Settings&) const {}

  // The page is shown, on its tab and on every page it sits on.
  bool Showing() const;
  // Draws `label` red over the page's background while it sits on this page (a label of
  // another page may move here).
  void ColourAsError(HWND label);

 protected:
  const TPageHost& Host() const { return PageHost; }
  virtual std::span<const TAnchor> Anchors() const { return {}; }
  // The page's setting controls, which then need no code of the page: they are set up, shown
  // and read back through `bindings`. Called by the constructor.
  void Bind(TSettingBindings& bindings) { Bound = &bindings; }
  // After the user changed a bound control, once its field and CfgChanged are updated.
  virtual void SettingChanged(TSettingControl /*control*/) {}

  // Once the template's controls exist, before the page is first laid out.
  virtual void Init() {}
  // The page's own messages; true when handled. Bound controls are handled after them.
  virtual bool Command(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  virtual bool Notify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
  virtual bool HScroll(HWND /*track*/) { return false; }
  virtual bool DrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
  // A control that takes clicks without looking like it (a picture): the hand cursor over it.
  virtual bool HandCursorOver(int /*id*/) const { return false; }
  // After the anchored controls have followed a new size.
  virtual void Resized() {}
  // Any other message of the page.
  virtual bool OtherMessage(UINT /*message*/, WPARAM, LPARAM, LRESULT& /*result*/) { return false; }
  // The window is gone: what the page kept of it goes too.
  void PageGone() override;

 private:
  struct TAnchored {
    HWND Control;
    RECT Design;  // in the page's client coordinates at the template's size
    TAnchor Anchor;
  };

  bool InitPage() override;
  std::optional<LRESULT> PageMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool BoundCommand(int id, int code);
  void BoundHScroll(HWND track);
  void RecordLayout();
  void Layout();

  int TemplateId;
  TPageHost PageHost;
  SIZE Design{};
  std::vector<TAnchored> Anchored;
  std::vector<HWND> ErrorLabels;
  TSettingBindings* Bound = nullptr;
};

// Small things every page needs.
std::wstring WindowText(HWND window);
inline int RectWidth(const RECT& r) { return r.right - r.left; }
inline int RectHeight(const RECT& r) { return r.bottom - r.top; }
// The control's rectangle in the client coordinates of `parent`.
RECT RectIn(HWND control, HWND parent);
// The page's background (the tab's, where visual styles are on) under an owner-drawn picture.
void PaintPictureBackground(const DRAWITEMSTRUCT& item);

// A tab control whose tabs show pages: the page's title as a new last tab, and one page
// shown as if the user had clicked its tab.
void AddTab(HWND tabs, const TFormPage& page);
void ShowTabPage(HWND tabs, std::span<TFormPage* const> pages, int index);

}  // namespace pelorin
