#include "input/KeyNames.h"

#include <gtest/gtest.h>

#include <vector>

namespace pelorin {
namespace {

TEST(KeyName, NamesComeFromTheScanCodeAndTheVirtualKeyWhereItIsShared) {
  struct Case { uint32_t Scan, Vk; std::string_view Name; };
  const std::vector<Case> cases = {
      {1, 27, "Esc"},         {2, '1', "1"},          {11, '0', "0"},          {12, 189, "-"},
      {13, 187, "="},         {14, 8, "Backspace"},   {15, 9, "Tab"},          {16, 'Q', "Q"},
      {25, 'P', "P"},         {26, 219, "["},         {27, 221, "]"},          {28, 13, "Enter"},
      {29, 162, "Left Ctrl"}, {29, 163, "Right Ctrl"}, {30, 'A', "A"},         {38, 'L', "L"},
      {39, 186, ";"},         {40, 222, "\""},        {41, 192, "`"},          {42, 160, "Left Shift"},
      {43, 220, "\\"},        {44, 'Z', "Z"},         {50, 'M', "M"},          {51, 188, ", "},
      {52, 190, "."},         {53, 191, "/"},         {53, 111, "Numeric /"},  {54, 161, "Right Shift"},
      {55, 106, "*"},         {55, 44, "PrintScreen"}, {56, 164, "Left Alt"},  {56, 165, "Right Alt"},
      {57, 32, "Space"},      {58, 20, "CapsLock"},   {59, 112, "F1"},         {60, 113, "F2"},
      {61, 114, "F3"},        {62, 115, "F4"},        {63, 116, "F5"},         {64, 117, "F6"},
      {65, 118, "F7"},        {66, 119, "F8"},        {67, 120, "F9"},         {68, 121, "F10"},
      {69, 19, "Pause"},      {69, 144, "NumLock"},   {70, 145, "ScrollLock"}, {71, 36, "Home"},
      {71, 103, "Home"},      {72, 38, "Up"},         {73, 33, "PageUp"},      {74, 109, "Numeric -"},
      {75, 37, "Left"},       {76, 12, "Numeric 5"},  {77, 39, "Right"},       {78, 107, "Numeric +"},
      {79, 35, "End"},        {80, 40, "Down"},       {81, 34, "PageDown"},    {82, 45, "Insert"},
      {83, 46, "Delete"},     {87, 122, "F11"},       {88, 123, "F12"},        {91, 91, "Left Win"},
      {92, 92, "Right Win"},  {93, 93, "Menu"},       {0, 173, "Mute"},        {0, 174, "Volume Down"},
      {0, 175, "Volume Up"},  {0, 176, "Next"},       {0, 177, "Back"},        {0, 178, "Stop"},
      {0, 179, "Play/Pause"}, {0, 180, "<0/180>"},    {86, 226, "<86/226>"},   {84, 44, "<84/44>"},
      {89, 0, "<89/0>"},      {94, 95, "<94/95>"},    {255, 255, "<255/255>"}, {300, 65, "<300/65>"},
      // A layout whose letter keys send other virtual keys: never a control or non-ASCII name.
      {16, 0xDE, "<16/222>"}, {2, 0x0D, "<2/13>"},
  };
  for (const Case& c : cases) EXPECT_EQ(KeyName(c.Scan, c.Vk).View(), c.Name) << c.Scan << "/" << c.Vk;
}

TEST(KeyName, NamesNeverExceedFifteenCharacters) {
  for (uint32_t scan = 0; scan < 256; ++scan)
    for (uint32_t vk = 0; vk < 256; ++vk) ASSERT_LE(KeyName(scan, vk).View().size(), 15u) << scan << "/" << vk;
}

TEST(KeyClasses, TypingAndWordKeepingKeys) {
  for (uint32_t scan : {2u, 13u, 16u, 27u, 30u, 41u, 43u, 53u, 57u}) EXPECT_TRUE(IsTypingKey(scan)) << scan;
  for (uint32_t scan : {0u, 1u, 14u, 15u, 28u, 29u, 42u, 54u, 55u, 56u, 58u, 72u}) EXPECT_FALSE(IsTypingKey(scan)) << scan;
  for (uint32_t scan : {42u, 54u, 58u}) EXPECT_TRUE(IsWordKeepingKey(scan)) << scan;
  for (uint32_t scan : {29u, 56u, 57u, 14u}) EXPECT_FALSE(IsWordKeepingKey(scan)) << scan;
}

}  // namespace
}  // namespace pelorin
