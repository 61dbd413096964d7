// Every entry of both function-key tables, driven through the key-down entry point.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "input/KeyTranslation.h"

namespace {

constexpr const char* kEsc = "\x1b";

// Expected bytes per key, in the order plain, Shift, Ctrl, Ctrl+Shift.
struct FunctionKeyRow {
  int virtualKey;
  std::array<std::string, 4> sends;
};

std::string E(const std::string& tail) { return kEsc + tail; }

const std::array<FunctionKeyRow, 12> kVt100Expected = {{
    {VK_F1, {E("OP"), E("[23~"), "", ""}},
    {VK_F2, {E("OQ"), E("[24~"), "", ""}},
    {VK_F3, {E("OR"), E("[25~"), "", ""}},
    {VK_F4, {E("OS"), E("[26~"), "", ""}},
    {VK_F5, {E("[17~"), E("[28~"), "", ""}},
    {VK_F6, {E("[18~"), E("[29~"), "", ""}},
    {VK_F7, {E("[19~"), E("[31~"), "", ""}},
    {VK_F8, {E("[20~"), E("[32~"), "", ""}},
    {VK_F9, {E("[21~"), E("[33~"), "", ""}},
    {VK_F10, {E("[22~"), E("[34~"), "", ""}},
    {VK_F11, {"", "", "", ""}},
    {VK_F12, {"", "", "", ""}},
}};

const std::array<FunctionKeyRow, 12> kAnsiExpected = {{
    {VK_F1, {E("[M"), E("[Y"), E("[k"), E("[w")}},
    {VK_F2, {E("[N"), E("[Z"), E("[l"), E("[x")}},
    {VK_F3, {E("[O"), E("[a"), E("[m"), E("[y")}},
    {VK_F4, {E("[P"), E("[b"), E("[n"), E("[z")}},
    {VK_F5, {E("[Q"), E("[c"), E("[o"), E("[@")}},
    {VK_F6, {E("[R"), E("[d"), E("[p"), E("[[")}},
    {VK_F7, {E("[S"), E("[e"), E("[q"), E("[\\")}},
    {VK_F8, {E("[T"), E("[f"), E("[r"), E("[]")}},
    {VK_F9, {E("[U"), E("[g"), E("[s"), E("[^")}},
    {VK_F10, {E("[V"), E("[h"), E("[t"), E("[_")}},
    {VK_F11, {E("[W"), E("[i"), E("[u"), E("[`")}},
    {VK_F12, {E("[X"), E("[j"), E("[v"), E("[{")}},
}};

KeyModifiers ModifiersOfRow(int row) {
  KeyModifiers mods;
  mods.shift = (row & 1) != 0;
  mods.ctrl = (row & 2) != 0;
  return mods;
}

std::string Press(int virtualKey, const KeyModifiers& mods, int emulation,
                  const MacroTexts& macros = {}) {
  KeySettings settings;
  settings.emulation = emulation;
  return TranslateKeyDown(virtualKey, mods, settings, macros);
}

void ExpectTable(int emulation, const std::array<FunctionKeyRow, 12>& expected) {
  for (const FunctionKeyRow& key : expected) {
    for (int row = 0; row < 4; ++row) {
      EXPECT_EQ(Press(key.virtualKey, ModifiersOfRow(row), emulation), key.sends[row])
          << "F" << key.virtualKey - VK_F1 + 1 << " row " << row;
    }
  }
}

TEST(FunctionKeys, Vt100TableEveryEntry) { ExpectTable(kEmulationVt100, kVt100Expected); }

TEST(FunctionKeys, AnsiTableEveryEntry) { ExpectTable(kEmulationAnsi, kAnsiExpected); }

TEST(FunctionKeys, UnknownEmulationSendsNothing) {
  for (int emulation : {-1, 2, 255}) {
    for (int vk = VK_F1; vk <= VK_F12; ++vk) {
      for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(Press(vk, ModifiersOfRow(row), emulation), "") << emulation << " " << vk;
      }
    }
  }
}

TEST(FunctionKeys, OutOfRangeTableLookupsAreEmpty) {
  EXPECT_EQ(FunctionKeyEntry(kEmulationAnsi, -1, 0), "");
  EXPECT_EQ(FunctionKeyEntry(kEmulationAnsi, 4, 0), "");
  EXPECT_EQ(FunctionKeyEntry(kEmulationAnsi, 0, -1), "");
  EXPECT_EQ(FunctionKeyEntry(kEmulationAnsi, 0, 12), "");
  EXPECT_EQ(TranslateFunctionKey(VK_F1 - 1, {}, kEmulationAnsi, {}), "");
  EXPECT_EQ(TranslateFunctionKey(VK_F12 + 1, {}, kEmulationAnsi, {}), "");
}

TEST(FunctionKeys, AltCombinationsSendNothingButCtrlAltCounts) {
  KeyModifiers alt;
  alt.alt = true;
  EXPECT_EQ(Press(VK_F1, alt, kEmulationAnsi), "");
  KeyModifiers ctrlAlt = alt;
  ctrlAlt.ctrl = true;
  EXPECT_EQ(Press(VK_F1, ctrlAlt, kEmulationAnsi), "\x1b[k");
}

// ---- Macro keys (Applications key + F1 .. F12) ------------------------------

MacroTexts NumberedMacros() {
  MacroTexts macros;
  for (int k = 0; k < kMacroCount; ++k) macros[k] = "m" + std::to_string(k + 1) + "\\r";
  return macros;
}

TEST(MacroKeys, AppWithEachFunctionKeySendsItsOwnExpandedMacro) {
  const MacroTexts macros = NumberedMacros();
  KeyModifiers app;
  app.apps = true;
  for (int k = 1; k <= 12; ++k) {
    EXPECT_EQ(Press(VK_F1 + k - 1, app, kEmulationVt100, macros), "m" + std::to_string(k) + "\r");
  }
}

TEST(MacroKeys, NoEscInFrontWhateverTheEmulationShiftAndCtrl) {
  MacroTexts macros;
  macros[0] = "\\e[A";
  for (int emulation : {kEmulationVt100, kEmulationAnsi, 7}) {
    for (int row = 0; row < 4; ++row) {
      KeyModifiers mods = ModifiersOfRow(row);
      mods.apps = true;
      EXPECT_EQ(Press(VK_F1, mods, emulation, macros), "\x1b[A") << emulation << " row " << row;
    }
  }
}

TEST(MacroKeys, EmptyMacroSendsNothingEvenWhereTheKeyHasASequence) {
  KeyModifiers app;
  app.apps = true;
  EXPECT_EQ(Press(VK_F1, app, kEmulationVt100), "");
  MacroTexts onlyUnknownEscapes;
  onlyUnknownEscapes[4] = "\\q\\E";
  EXPECT_EQ(Press(VK_F5, app, kEmulationAnsi, onlyUnknownEscapes), "");
}

TEST(MacroKeys, F10AndF12ReachTheirMacros) {
  MacroTexts macros;
  macros[9] = "ten";
  macros[11] = "twelve";
  KeyModifiers app;
  app.apps = true;
  app.shift = true;
  EXPECT_EQ(Press(VK_F10, app, kEmulationVt100, macros), "ten");
  // F12 sends nothing on its own in VT100, but its macro still works.
  EXPECT_EQ(Press(VK_F12, app, kEmulationVt100, macros), "twelve");
}

}  // namespace
