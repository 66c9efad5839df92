// The keyboard-layout switcher and the retype command as far as Wine can show them: Wine
// installs the US layout only, so there is no other layout to switch to.
#include "E2eSupport.h"
#include "res/resource.h"

namespace pelorin::e2e {
namespace {

constexpr TKey B{'B', 0x30, "B"};
constexpr TKey D{'D', 0x20, "D"};
constexpr TKey G{'G', 0x22, "G"};
constexpr TKey T{'T', 0x14, "T"};

class OneLayout : public TScenario {};

TEST_F(OneLayout, TheSwitcherIsOffAndGreyAndNeitherTypingNorARetypeChangesAnything) {
  const TChord ctrlQ{{keys::LeftCtrl, keys::Q}};
  // The user had switched it on where a second layout existed.
  WriteIni(TIni()
               .Section("Custom Inputs")
               .Value("Auto switch the keyboard layout", "1")
               .Row(1, "Retype chars in other keyboard layout", ctrlQ.Text(), StateChord));
  TDriverWindow driver;
  TPelorin* pelorin = StartPelorin(L"autorun");
  ASSERT_NE(pelorin, nullptr);
  HWND check = FindControl(pelorin->Window(), IDC_AUTO_LAYOUT_CHECK);
  HWND track = FindControl(pelorin->Window(), IDC_AUTO_LAYOUT_TRACK);
  ASSERT_NE(check, nullptr);
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(::SendMessageW(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_FALSE(::IsWindowEnabled(check));
  EXPECT_FALSE(::IsWindowEnabled(track));

  ASSERT_TRUE(driver.Activate());
  driver.SetEditText(L"");
  // Five consonants: with a second layout this word would be switched.
  std::vector<TInput::TKeyEvent> typing;
  for (const TKey& key : {G, keys::H, B, D, T}) {
    typing.push_back({key, false, Input.After(30)});
    typing.push_back({key, true, Input.After(30)});
  }
  Input.Keys(typing);
  ASSERT_TRUE(SyncKeys(Input, driver));
  EXPECT_EQ(driver.EditText(), L"ghbdt");

  Input.Chord(ctrlQ.Keys);
  ASSERT_TRUE(SyncKeys(Input, driver));
  EXPECT_EQ(driver.KeyDowns('Q'), 0) << "the retype chord fired and was eaten: " << driver.Describe();
  EXPECT_TRUE(HoldsFor([&] { return driver.EditText() == L"ghbdt"; }, QuietMs)) << Narrow(driver.EditText());
  EXPECT_EQ(driver.KeyDowns(VK_BACK), 0) << "nothing was erased: " << driver.Describe();
  EXPECT_EQ(pelorin->Close(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace pelorin::e2e
