#pragma once
#include <array>
#include <functional>
#include <string_view>
#include <vector>

#include "common/win/FormPage.h"
#include "base/ConfigState.h"
#include "base/SharedState.h"
#include "common/win/CheckListView.h"
#include "config/win/AnsiCodePageWin.h"
#include "tracked/TrackedEditor.h"
#include "tracked/TrackedPicker.h"
#include "tracked/TrackedWindowRow.h"
#include "tracked/win/AccessibilityWin.h"
#include "tracked/win/PickerWin.h"

namespace pelorin {

// The "Tracked windows" page: the tracked-windows editor. The four fields with their check
// boxes and radio buttons, filled by dragging a hand-point picture onto another program's
// window (or typed, with a warning once a field), the "[*]" button, Add, Edit and Remove, and
// the grid of tracked windows with its check boxes, dragged rows and fitted columns. GUI thread
// only; the accessibility calls of the picker need the thread in a COM apartment.
class TTrackedWindowsPage final : public TFormPage {
 public:
  // `rows` is the table the page edits. `cellPrefixLen` blanks in front of a title leave room
  // for its check box, as in the custom input table.
  TTrackedWindowsPage(std::vector<TTrackedWindowRow>& rows, int cellPrefixLen, TConfigState& state,
                      TSharedState& shared);

  int HelpIndex() const override { return 4; }
  void LoadGeometry(const Settings& settings) override;
  void StoreGeometry(Settings& settings) const override;

  // TrackWinsGrid shows these rows.
  void ShowRows(const std::vector<TTrackedWindowRow>& rows);
  HWND Grid() const { return WinGrid.Handle(); }

  // The fields as the controls show them.
  TTrackedFields Fields() const;

  // The buttons, as a click runs them.
  void AddBtnClick(bool edit);
  void RemoveBtnClick();
  // "[*]" into `field`, one of the four edit fields (anything else: nothing happens).
  void PasteSymBtnClick(HWND field);
  // The selected row (0-based), -1 for none.
  int SelectedRow() const { return WinGrid.Selected(); }
  void SelectRow(int row) { WinGrid.Select(row); }

  // The hand-point drag: the button pressed on a picture (its control id), the button released.
  void CursorImageMouseDown(int imageId);
  void CursorImageMouseUp();
  // One picker step, queued by the worker while the mouse hook holds a recorded point.
  void PickUnderPoint();
  bool Dragging() const { return Picker.Dragging(); }
  const TPickFrame& PickFrame() const { return Picker.Frame(); }

  // Every message box of the editor (MsgBox unless replaced); returns the button pressed.
  std::function<int(std::wstring_view text, std::wstring_view caption, UINT flags)> Message;
  // After every edit of the rows: what follows the settings (whether any row is on) is
  // recomputed there, in the one place every load and Import goes through as well.
  std::function<void()> OnRowsEdited;

 protected:
  std::span<const TAnchor> Anchors() const override;
  void Init() override;
  bool Command(int id, int code, HWND control) override;
  bool Notify(const NMHDR& header, LRESULT& result) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;
  bool HandCursorOver(int id) const override;
  bool OtherMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void PageGone() override;

 private:
  static LRESULT CALLBACK FieldProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR data) noexcept;
  int Ask(const TEditorMessage& message);
  void ShowChecks(const TTrackedFields& f);
  void ShowFields(const TTrackedFields& f);
  void FieldChanged(int id);
  void TrackWinsGridSelectCell(int row);
  // After any change of the rows: the settings to save, and whether the worker checks at all.
  void RowsChanged();
  void RefreshGrid(int selectRow);
  bool ToggleRow(int row);
  void DropRow(int from, int to);
  void Repaint();
  // The field's index among the four edit fields, -1 when it is none of them.
  int FieldIndex(HWND control) const;

  std::vector<TTrackedWindowRow>& Rows;
  int CellPrefixLen;
  TConfigState& State;
  TSharedState& Shared;
  TCheckListView WinGrid;
  // The typing warning was shown for HeaderText, InWinText, WinSize, ButtonText.
  std::array<bool, 4> Warned{};
  // The field that had the focus when "[*]" was pressed with the mouse.
  HWND FocusBeforePaste = nullptr;
  HWND DraggedImage = nullptr;
  HCURSOR HandPoint = nullptr;

  TPickerWindowsWin PickerWindows;
  TWinAccessibility Accessibility;
  TSystemAnsiCodePage Ansi;
  TScreenFrameWin Screen;
  TTrackedPicker Picker;
};

}  // namespace pelorin
