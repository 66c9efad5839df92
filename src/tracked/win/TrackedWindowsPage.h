#pragma once
#include <vector>

#include "common/win/FormPage.h"
#include "base/ConfigState.h"
#include "common/win/CheckListView.h"
#include "tracked/TrackedWindowRow.h"

namespace pelorin {

// The "Tracked windows" page: the fields of a tracked window with their hand-point pictures
// and hints, the table's buttons, and the grid of tracked windows with their check boxes.
// GUI thread only.
class TTrackedWindowsPage final : public TFormPage {
 public:
  // `cellPrefixLen` blanks in front of a title leave room for its check box, as in the
  // custom input table.
  TTrackedWindowsPage(const std::vector<TTrackedWindowRow>& rows, int cellPrefixLen, TConfigState& state);

  int HelpIndex() const override { return 4; }
  void LoadGeometry(const Settings& settings) override;
  void StoreGeometry(Settings& settings) const override;

  // TrackWinsGrid shows these rows.
  void ShowRows(const std::vector<TTrackedWindowRow>& rows);
  HWND Grid() const { return WinGrid.Handle(); }

 protected:
  std::span<const TAnchor> Anchors() const override;
  void Init() override;
  bool Notify(const NMHDR& header, LRESULT& result) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  const std::vector<TTrackedWindowRow>& Rows;
  int CellPrefixLen;
  TConfigState& State;
  TCheckListView WinGrid;
};

}  // namespace pelorin
