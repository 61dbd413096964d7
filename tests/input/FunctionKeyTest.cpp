// Function keys beyond the rows of tests/data/keys/keys.tsv: unknown emulations,
// lookups outside the tables, Alt, and the macro keys.
#include <gtest/gtest.h>

#include <string>

#include "input/KeyTranslation.h"

namespace {

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
