// The items of FakeDesktop.exe's list view and where it puts them, shared with the scenarios.
#pragma once

namespace pelorin::e2e {

struct TDesktopItem {
  const wchar_t* Name;
  int X;
  int Y;
};

inline constexpr TDesktopItem DesktopItems[] = {
    {L"Recycle Bin", 20, 20},
    {L"Notes.txt", 20, 110},
    {L"Projects", 120, 20},
    {L"Holiday photos", 300, 220},
};

}  // namespace pelorin::e2e
