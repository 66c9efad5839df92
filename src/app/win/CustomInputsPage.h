#pragma once
#include <array>
#include <string_view>

#include "common/win/FormPage.h"

namespace pelorin {

class TCommandsPage;

// The sub-tabs of "Custom Inputs", in the order of their tabs.
enum class TInputsPage : int { Commands, Mouse, KeyboardLayout };
inline constexpr int InputsPageCount = 3;

// The error label of the sub-tabs when the system has no brightness control (the hook
// error's texts are the worker's).
inline constexpr std::wstring_view NoBrightnessText = L"The system does not supports a brightness adjusting";

// The "Custom Inputs" page: a tab control holding the Commands, Mouse and Keyboard layout
// pages, and the red error label at the bottom edge of whichever of them is shown. GUI
// thread only.
class TCustomInputsPage final : public TFormPage {
 public:
  TCustomInputsPage(TCommandsPage& commands, TFormPage& mouse, TFormPage& keyboardLayout);

  // Creates the sub-tabs' pages too; they go with it.
  bool Create(const TPageHost& host, HWND parent) override;

  int HelpIndex() const override;
  SIZE MinimumSize() const override;
  HWND Control(int id) const override;
  void ShowSettings(const Settings& settings) override;
  void LoadGeometry(const Settings& settings) override;
  void StoreGeometry(Settings& settings) const override;

  HWND Tabs() const { return InputsTabs; }
  HWND Page(TInputsPage page) const { return SubPages[static_cast<int>(page)]->Handle(); }
  // Shows a sub-tab as if the user had clicked it.
  void ActivatePage(TInputsPage page) { ShowPage(static_cast<int>(page)); }
  TInputsPage ActivePage() const;

  // The red label: the hook error with its hint (HookErrorText, HookErrorHint), or another
  // text (NoBrightnessText), with a hint when one is given.
  void ShowHookError();
  void ShowErrorLabel(std::wstring_view text, std::wstring_view hint = {});
  HWND ErrorLabel() const { return Label; }

 protected:
  std::span<const TAnchor> Anchors() const override;
  bool Notify(const NMHDR& header, LRESULT& result) override;
  void Resized() override;
  void PageGone() override;

 private:
  void ShowPage(int index);
  void FitSubPages();
  void PlaceErrorLabel();

  TCommandsPage& Commands;
  std::array<TFormPage*, InputsPageCount> SubPages;
  HWND InputsTabs = nullptr;
  HWND Label = nullptr;
  RECT TabsDesign{};
};

}  // namespace pelorin
