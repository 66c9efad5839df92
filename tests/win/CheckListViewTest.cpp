// The check-box list view on its own, in a plain window that passes its notifications on as
// a page does: where its boxes are, what a click, Space, Delete, a drag and a header click do
// with and without an owner's callbacks, and that a ticked box looks ticked.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ScreenPixels.h"
#include "WinTestSupport.h"
#include "common/win/CheckListView.h"

namespace pelorin::test {
namespace {

constexpr int GridId = 100;

// The host passes the list view's notifications on, as a page does.
LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  if (message == WM_NOTIFY) {
    LRESULT result = 0;
    if (reinterpret_cast<TCheckListView*>(data)->Notify(*reinterpret_cast<const NMHDR*>(lParam), result))
      return result;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

void Settle() { PumpUntil([] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }, 2000); }

// What the list view gets from a key press while it has the focus.
void PressKey(HWND list, WORD vk) {
  ::SendMessageW(list, WM_KEYDOWN, vk, 1);
  ::SendMessageW(list, WM_KEYUP, vk, 1 | (3u << 30));
  Settle();
}

class CheckListView : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    Host = CreatePlainWindow(L"Check list", 120, 120, 520, 320);
    ASSERT_NE(Host, nullptr);
    ::SetWindowSubclass(Host, HostProc, 1, reinterpret_cast<DWORD_PTR>(&List));
    HWND grid = ::CreateWindowExW(0, WC_LISTVIEWW, L"",
                                  WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                      LVS_SHOWSELALWAYS,
                                  10, 10, 480, 250, Host, reinterpret_cast<HMENU>(static_cast<INT_PTR>(GridId)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(grid, nullptr);
    List.Attach(grid, 1, {L"Command", L"Input"}, 180, 1.0);
    // Blanks in front of a box's cell leave room for it; "beta" has no box.
    const std::wstring room(6, L' ');
    Rows = {{{L"alpha", room + L"one"}, true, false},
            {{L"beta", room + L"two"}, false, false},
            {{L"gamma", room + L"three"}, true, true},
            {{L"delta", room + L"four"}, true, false}};
    List.SetRows(Rows);
    ASSERT_TRUE(BringToFront(Host));
    Settle();
  }
  void TearDown() override {
    List.Detach();
    if (Host == nullptr) return;
    ::RemoveWindowSubclass(Host, HostProc, 1);
    ::DestroyWindow(Host);
  }

  // The owner of the rows, as the Commands page is: a toggle flips its row.
  void OwnTheBoxes() {
    List.OnToggle = [this](int item) {
      Toggled.push_back(item);
      Rows[static_cast<size_t>(item)].Checked = !Rows[static_cast<size_t>(item)].Checked;
      return Rows[static_cast<size_t>(item)].Checked;
    };
  }

  RECT Cell(int item, int column) const {
    RECT r{};
    r.top = column;
    r.left = LVIR_LABEL;
    ::SendMessageW(List.Handle(), LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&r));
    return r;
  }
  // A point of the check column's cell, `x` pixels from its left edge.
  POINT InCell(int item, int column, int x) const {
    RECT r = Cell(item, column);
    return {r.left + x, (r.top + r.bottom) / 2};
  }
  int Side() const {
    RECT r = Cell(0, 1);
    return r.bottom - r.top;
  }
  void Click(POINT client, bool drag = false, POINT to = {}, const std::function<void()>& whileHeld = nullptr) {
    ::ClientToScreen(List.Handle(), &client);
    ::ClientToScreen(List.Handle(), &to);
    ClickOrDrag(client, drag, to, whileHeld);
    Settle();
  }
  std::vector<COLORREF> BoxPixels(int item) const {
    RECT r = Cell(item, 1);
    RECT box{r.left, r.top, r.left + (r.bottom - r.top), r.bottom};
    ::MapWindowPoints(List.Handle(), nullptr, reinterpret_cast<POINT*>(&box), 2);
    return GrabScreen(box);
  }

  HWND Host = nullptr;
  TCheckListView List;
  std::vector<TCheckRow> Rows;
  std::vector<int> Toggled;
};

TEST_F(CheckListView, HitTestFindsTheBoxSquareOnlyOnRowsThatHaveOne) {
  int side = Side();
  ASSERT_GT(side, 4);
  RECT header{};
  ::GetClientRect(reinterpret_cast<HWND>(::SendMessageW(List.Handle(), LVM_GETHEADER, 0, 0)), &header);
  RECT last = Cell(3, 1);
  struct TCase {
    const char* Name;
    POINT At;
    int Box;   // BoxAt
    int Item;  // ItemAt
  };
  const TCase cases[] = {
      {"inside the square", InCell(0, 1, side / 2), 0, 0},
      {"at the square's last pixel", InCell(2, 1, side - 1), 2, 2},
      {"just past the square", InCell(2, 1, side), TCheckListView::NoItem, 2},
      {"far right in the cell", InCell(3, 1, 3 * side), TCheckListView::NoItem, 3},
      {"a row without a box", InCell(1, 1, side / 2), TCheckListView::NoItem, 1},
      {"the other column", InCell(0, 0, side / 2), TCheckListView::NoItem, 0},
      {"the header", {last.left + side / 2, header.bottom / 2}, TCheckListView::NoItem, TCheckListView::HeaderItem},
      {"below the rows", {last.left + side / 2, last.bottom + 3 * side}, TCheckListView::NoItem,
       TCheckListView::NoItem},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(List.BoxAt(c.At), c.Box);
    EXPECT_EQ(List.ItemAt(c.At), c.Item);
  }
}

TEST_F(CheckListView, ClickOnTheBoxAndSpaceToggleThroughTheOwner) {
  OwnTheBoxes();
  int side = Side();
  // Selected and focused, as it is after each click on it.
  ::SetFocus(List.Handle());
  List.Select(0);
  Settle();
  std::vector<COLORREF> clear = BoxPixels(0);

  Click(InCell(0, 1, side / 2));
  EXPECT_EQ(Toggled, std::vector<int>{0});
  EXPECT_TRUE(List.Checked(0));
  EXPECT_NE(BoxPixels(0), clear) << "the ticked box is drawn ticked";

  // Beside the box the click only selects; a row without a box has nothing to tick.
  Click(InCell(3, 1, 3 * side));
  Click(InCell(1, 1, side / 2));
  EXPECT_EQ(Toggled, std::vector<int>{0});
  EXPECT_EQ(List.Selected(), 1);

  ::SetFocus(List.Handle());
  List.Select(2);
  PressKey(List.Handle(), VK_SPACE);
  EXPECT_EQ(Toggled, (std::vector<int>{0, 2}));
  EXPECT_FALSE(List.Checked(2));
  List.Select(1);
  PressKey(List.Handle(), VK_SPACE);
  EXPECT_EQ(Toggled, (std::vector<int>{0, 2})) << "Space on a row without a box";

  Click(InCell(0, 1, side / 2));
  EXPECT_FALSE(List.Checked(0));
  EXPECT_EQ(BoxPixels(0), clear) << "cleared again, drawn as it was";
}

// The tracked-windows grid's use today: boxes that show, rows that stay where they are.
TEST_F(CheckListView, WithoutCallbacksTheBoxesOnlyShow) {
  int side = Side();
  Click(InCell(0, 1, side / 2));
  ::SetFocus(List.Handle());
  List.Select(3);
  PressKey(List.Handle(), VK_SPACE);
  PressKey(List.Handle(), VK_DELETE);
  EXPECT_FALSE(List.Checked(0));
  EXPECT_TRUE(List.Checked(2));
  EXPECT_FALSE(List.Checked(3));
  RECT from = Cell(3, 0), to = Cell(1, 0);
  int marked = -3;
  Click({from.left + 20, (from.top + from.bottom) / 2}, true, {to.left + 20, (to.top + to.bottom) / 2},
        [&] { marked = List.DropTarget(); });
  EXPECT_EQ(marked, TCheckListView::NoItem) << "no row is dragged";
}

TEST_F(CheckListView, DraggedRowsMarkTheirTargetAndReportTheDrop) {
  std::vector<std::pair<int, int>> drops;
  List.OnDrop = [&](int from, int to) { drops.emplace_back(from, to); };
  auto drag = [&](int fromItem, POINT to, int* marked) {
    RECT from = Cell(fromItem, 0);
    HWND grid = List.Handle();
    Click({from.left + 20, (from.top + from.bottom) / 2}, true, to, [&] {
      *marked = static_cast<int>(::SendMessageW(grid, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_DROPHILITED));
    });
  };
  RECT onto = Cell(1, 0);
  int marked = -3;
  drag(3, {onto.left + 20, (onto.top + onto.bottom) / 2}, &marked);
  EXPECT_EQ(marked, 1) << "row 2 is shown as the drop target while the button is down";
  EXPECT_EQ(List.DropTarget(), TCheckListView::NoItem);
  EXPECT_EQ(::SendMessageW(List.Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_DROPHILITED), -1)
      << "and no more once it is dropped";

  RECT last = Cell(3, 0);
  drag(0, {last.left + 20, last.bottom + 3 * (last.bottom - last.top)}, &marked);
  EXPECT_EQ(marked, -1) << "no row below the rows";
  EXPECT_EQ(drops, (std::vector<std::pair<int, int>>{{3, 1}, {0, TCheckListView::NoItem}}));
}

TEST_F(CheckListView, DeleteAndColumnWidthsGoToTheOwner) {
  int deletes = 0, resized = 0;
  List.OnDelete = [&] { ++deletes; };
  List.OnColumnsResized = [&] { ++resized; };
  List.FitWidths = [](int clientWidth) { return std::vector<int>{100, clientWidth - 100}; };
  ::SetFocus(List.Handle());
  List.Select(1);
  PressKey(List.Handle(), VK_DELETE);
  EXPECT_EQ(deletes, 1);

  // A header click fits the columns; a second one changes nothing and reports nothing.
  HWND header = reinterpret_cast<HWND>(::SendMessageW(List.Handle(), LVM_GETHEADER, 0, 0));
  RECT item{};
  ::SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  POINT inHeader{item.left + 15, (item.top + item.bottom) / 2};
  ::MapWindowPoints(header, List.Handle(), &inHeader, 1);
  Click(inHeader);
  RECT client{};
  ::GetClientRect(List.Handle(), &client);
  EXPECT_EQ(List.ColumnWidth(0), 100);
  EXPECT_EQ(List.ColumnWidth(1), client.right - 100);
  EXPECT_EQ(resized, 1);
  Click(inHeader);
  EXPECT_EQ(resized, 1);

  // The user drags the divider after the second column.
  ::SendMessageW(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
  int x = item.right - 1, y = (item.top + item.bottom) / 2;
  ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  ::SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x - 30, y));
  ::SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(x - 30, y));
  EXPECT_EQ(resized, 2);
  EXPECT_EQ(List.ColumnWidth(1), client.right - 130);
}

}  // namespace
}  // namespace pelorin::test
