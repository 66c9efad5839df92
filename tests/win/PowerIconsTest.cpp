// The icon groups of Pelorin.exe in the order a shortcut counts them: the program's own, the
// four power icons at 1 to 4, then the tray's; each power icon with its four 32-bit sizes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WinTestSupport.h"

namespace pelorin::test {
namespace {

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
  auto* list = reinterpret_cast<std::vector<std::wstring>*>(names);
  list->push_back(IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<uintptr_t>(name)) : name);
  return TRUE;
}

#pragma pack(push, 2)
struct TGroupEntry {
  BYTE Width, Height, Colours, Reserved;
  WORD Planes, BitCount;
  DWORD Bytes;
  WORD Id;
};
struct TGroupHeader {
  WORD Reserved, Type, Count;
};
#pragma pack(pop)

TEST(PowerIcons, GroupsInShortcutOrderEachWithItsFourSizes) {
  HMODULE exe = ::LoadLibraryExW(PelorinExePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  std::vector<std::wstring> names;
  ::EnumResourceNamesW(exe, RT_GROUP_ICON, CollectName, reinterpret_cast<LONG_PTR>(&names));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"MAINICON", L"MAINICON1", L"MAINICON2", L"MAINICON3", L"MAINICON4",
                                              L"TRAY_ICON", L"TRAY_ICON_GRAY"}));
  for (const wchar_t* name : {L"MAINICON1", L"MAINICON2", L"MAINICON3", L"MAINICON4"}) {
    HRSRC found = ::FindResourceW(exe, name, RT_GROUP_ICON);
    ASSERT_NE(found, nullptr);
    const auto* header = static_cast<const TGroupHeader*>(::LockResource(::LoadResource(exe, found)));
    ASSERT_NE(header, nullptr);
    const auto* entries = reinterpret_cast<const TGroupEntry*>(header + 1);
    std::vector<int> sides;
    for (WORD i = 0; i < header->Count; ++i) {
      sides.push_back(entries[i].Width);
      EXPECT_EQ(entries[i].BitCount, 32) << "an image of " << static_cast<int>(entries[i].Width) << " px";
    }
    EXPECT_EQ(sides, (std::vector<int>{64, 48, 32, 16}));
    int side = 0;
    HICON icon = static_cast<HICON>(::LoadImageW(exe, name, IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(icon, &info));
    BITMAP bm{};
    ::GetObjectW(info.hbmColor, sizeof(bm), &bm);
    side = bm.bmWidth;
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    ::DestroyIcon(icon);
    EXPECT_EQ(side, 32);
  }
  ::FreeLibrary(exe);
}

}  // namespace
}  // namespace pelorin::test
