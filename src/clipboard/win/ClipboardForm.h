#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "base/ConfigState.h"
#include "base/Settings.h"
#include "base/SharedState.h"
#include "clipboard/ClipboardActions.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/ClipboardKeeper.h"
#include "clipboard/ClipboardSearch.h"
#include "clipboard/win/ClipboardGridView.h"
#include "clipboard/win/ZoomView.h"
#include "common/win/Hints.h"
#include "common/win/Owned.h"
#include "common/win/WindowBase.h"
#include "tracked/SyntheticInput.h"

namespace pelorin {

// Where a paste goes: the window in front when the Clipboard Manager was asked for, and the
// edit control that had the keyboard there with its selection, so the paste replaces it.
struct TPasteTarget {
  DWORD ThreadId = 0;
  HWND Window = nullptr;
  HWND EditControl = nullptr;
  DWORD SelStart = 0;
  DWORD SelEnd = 0;
};
// Reads the target of foreground (GUI thread): attaches to its thread's input for the moment
// it takes to find the focused control and, for an "EDIT" control, its selection.
TPasteTarget RecordPasteTarget(HWND foreground);

// Letter case folded by the system, for every script.
struct TSystemTextFold final : TextFoldPort {
  std::wstring Fold(std::wstring_view text) const override;
};

// The Clipboard Manager: a stay-on-top window listing the clipboard history newest first,
// with a search row, and a details view of one item's whole text or picture. Pasting hides
// it, gives the previous window its selection back and types Ctrl+V there. It is created
// hidden at start-up and only hidden and shown until shutdown. GUI thread only.
class TClipboardForm : public TWindowBase, private ClipboardGridOwner {
 public:
  static constexpr wchar_t WindowClass[] = L"PelorinClipboardForm";

  struct Links {
    TClipboardHistory& History;
    TClipboardKeeper& Keeper;
    const AnsiCodePagePort& Ansi;
    TSyntheticInput& Input;
    TSharedState& Shared;
    TConfigState& Config;
    Settings& Cfg;  // the two geometries live there
  };

  explicit TClipboardForm(const Links& links)
      : L(links), Grid(links.History, *this), Port(links.Keeper), Actions(links.History, Port) {}
  ~TClipboardForm() override { Destroy(); }

  bool Create(HINSTANCE instance, HMODULE resources);
  // Shows the list view in front for a paste into target; nothing while it shows already.
  void ShowFor(const TPasteTarget& target);
  bool Visible() const { return Handle() != nullptr && ::IsWindowVisible(Handle()); }
  // The window that may take the activation without closing this one (the notes).
  void SetNoteWindow(HWND note) { NoteWindow = note; }

  // The history changed under the window (a capture, Apply): rows and paint follow.
  void HistoryChanged();

  // For tests and the program's own wiring.
  TClipboardGridView& GridView() { return Grid; }
  HWND SearchEdit() const { return Search; }
  HWND FindCheckedBox() const { return FindChecked; }
  HWND FindNextButton() const { return FindNext; }
  HWND FindPrevButton() const { return FindPrev; }
  HWND Memo() const { return MemoEdit; }
  TZoomView& Zoom() { return ZoomImage; }
  bool InDetails() const { return !::IsWindowVisible(Grid.Handle()); }
  TSearchColour SearchColour() const { return Colour; }
  const TPasteTarget& Target() const { return PasteTarget; }

  // The actions, on the item a row of the grid shows (0 = newest) when it is still there.
  void PasteItem(int row, bool moveToTop, bool noPaste);
  void DeleteSelectedItem();
  void SortClick();
  void Details(int row);
  void BackToList();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void WindowGone() override;

 private:
  // ClipboardGridOwner
  void GridClick(int row, int column, const TGridHit& hit) override;
  void GridEnter(int row) override;
  void GridEscape() override { Close(); }
  void GridDelete(int) override { DeleteSelectedItem(); }
  void GridDigit(int digit) override;
  void GridLetter(wchar_t letter) override;

  void Layout();
  void Close();
  void PrepareList();
  void OpenDetails(bool picture);
  void Deferred(WPARAM action);
  void SearchChange(TSearchFrom from);
  void SetColour(TSearchColour colour);
  void KeepGeometry();
  void PlaceAt(int left, int top, int width, int height);
  bool SearchKey(WPARAM key);
  void ProcessPendingMessages();
  static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self) noexcept;

  // The actions' way to the user and the clipboard.
  struct TActionsPort final : ClipboardActionsPort {
    explicit TActionsPort(TClipboardKeeper& keeper) : Keeper(keeper) {}
    bool ConfirmDeleteChecked() override;
    void PutOnClipboard(uint64_t id) override { Keeper.SetClipboardItemById(id); }
    void PutNewestOnClipboard() override { Keeper.SetClipboardTop(); }
    TClipboardKeeper& Keeper;
    bool Asked = false;
  };

  Links L;
  TSystemTextFold Fold;
  TClipboardGridView Grid;
  TActionsPort Port;
  TClipboardActions Actions;
  TZoomView ZoomImage;
  THints Hints;
  HWND MemoEdit = nullptr;
  HWND SearchLabel = nullptr;
  HWND Search = nullptr;
  HWND FindChecked = nullptr;
  HWND FindNext = nullptr;
  HWND FindPrev = nullptr;
  HWND SortButton = nullptr;
  HWND NoteWindow = nullptr;
  TOwnedFont ItalicFont;
  TOwnedGdi<HBRUSH> RedBrush, GreyBrush;
  TSearchColour Colour = TSearchColour::White;
  TPasteTarget PasteTarget;
  int MinWidth = 0;
};

}  // namespace pelorin
