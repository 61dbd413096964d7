// Editing keys and arrows beyond the rows of tests/data/keys/keys.tsv, typed
// characters and the keys that act locally.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/KeyTranslation.h"

namespace {

std::string Press(int virtualKey, const KeySettings& settings, const KeyModifiers& mods = {}) {
  return TranslateKeyDown(virtualKey, mods, settings, MacroTexts{});
}

KeySettings Emulation(int emulation, bool applicationMode = true) {
  KeySettings settings;
  settings.emulation = emulation;
  settings.applicationMode = applicationMode;
  return settings;
}

TEST(ArrowKeys, DefaultSettingsUseApplicationMode) {
  EXPECT_EQ(Press(VK_UP, KeySettings{}), "\x1bOA");
}

TEST(KeyDown, KeysOutsideTheTablesSendNothing) {
  // Backspace, Tab, Enter, Esc and letters arrive as characters; sending them
  // here as well would send them twice. Modifiers alone send nothing.
  for (int vk : {0,  8,  9,  13, 16, 17,  18,  20,  27,  32,  41, 44,    47,
                 48, 65, 90, 91, 96, 111, 124, 144, 145, 255, -1, 100000}) {
    for (int emulation : {kEmulationVt100, kEmulationAnsi}) {
      EXPECT_EQ(Press(vk, Emulation(emulation)), "") << vk;
    }
  }
}

// ---- Local keys ---------------------------------------------------------------

KeyModifiers Alt(bool ctrl = false) {
  KeyModifiers mods;
  mods.alt = true;
  mods.ctrl = ctrl;
  return mods;
}

TEST(LocalKeys, PauseAndApplicationsKeyActLocallyAndSendNothing) {
  EXPECT_EQ(LocalKeyActionFor(VK_PAUSE, {}), LocalKeyAction::ReturnToLiveView);
  EXPECT_EQ(LocalKeyActionFor(VK_APPS, {}), LocalKeyAction::StartLineCheck);
  KeyModifiers shiftApps;
  shiftApps.shift = shiftApps.apps = true;
  EXPECT_EQ(LocalKeyActionFor(VK_APPS, shiftApps), LocalKeyAction::StartLineCheck);
  EXPECT_EQ(Press(VK_PAUSE, KeySettings{}), "");
  EXPECT_EQ(Press(VK_APPS, KeySettings{}), "");
}

TEST(LocalKeys, AltPageUpAndDownPageTheHistoryAndSendNothing) {
  EXPECT_EQ(LocalKeyActionFor(VK_PRIOR, Alt()), LocalKeyAction::PageHistoryUp);
  EXPECT_EQ(LocalKeyActionFor(VK_NEXT, Alt()), LocalKeyAction::PageHistoryDown);
  for (int emulation : {kEmulationVt100, kEmulationAnsi}) {
    EXPECT_EQ(Press(VK_PRIOR, Emulation(emulation), Alt()), "");
    EXPECT_EQ(Press(VK_NEXT, Emulation(emulation), Alt()), "");
  }
}

TEST(LocalKeys, PageUpAloneGoesToTheHost) {
  EXPECT_EQ(LocalKeyActionFor(VK_PRIOR, {}), LocalKeyAction::None);
  EXPECT_EQ(Press(VK_PRIOR, KeySettings{}), "\x1b[5~");
}

TEST(LocalKeys, OtherAltCombinationsBelongToTheWindowSystem) {
  for (int vk :
       {VK_F4, VK_HOME, VK_END, VK_INSERT, VK_DELETE, VK_UP, VK_PAUSE, VK_APPS, int{'M'}}) {
    EXPECT_EQ(LocalKeyActionFor(vk, Alt()), LocalKeyAction::PassToSystem) << vk;
    EXPECT_EQ(Press(vk, KeySettings{}, Alt()), "") << vk;
  }
}

TEST(LocalKeys, CtrlAltIsAnOrdinaryKey) {
  EXPECT_EQ(LocalKeyActionFor(VK_PRIOR, Alt(true)), LocalKeyAction::None);
  EXPECT_EQ(Press(VK_PRIOR, KeySettings{}, Alt(true)), "\x1b[5~");
  EXPECT_EQ(LocalKeyActionFor(VK_PAUSE, Alt(true)), LocalKeyAction::ReturnToLiveView);
}

TEST(LocalKeys, NoKeyBothActsLocallyAndSends) {
  MacroTexts macros;
  macros.fill("x");
  for (int vk = 0; vk < 256; ++vk) {
    for (int bits = 0; bits < 16; ++bits) {
      KeyModifiers mods;
      mods.shift = bits & 1;
      mods.ctrl = bits & 2;
      mods.alt = bits & 4;
      mods.apps = bits & 8;
      if (LocalKeyActionFor(vk, mods) == LocalKeyAction::None) continue;
      for (int emulation : {kEmulationVt100, kEmulationAnsi}) {
        EXPECT_EQ(TranslateKeyDown(vk, mods, Emulation(emulation), macros), "")
            << "vk " << vk << " modifiers " << bits;
      }
    }
  }
}

// ---- Typed characters -----------------------------------------------------------

TEST(TypedCharacters, BackspaceFollowsTheSetting) {
  KeySettings settings;
  EXPECT_EQ(TranslateChar(8, settings), "\x08");  // default: BS
  settings.backspaceSendsBs = false;
  EXPECT_EQ(TranslateChar(8, settings), "\x7f");
  // Ctrl+Backspace arrives as 127 and is sent as it is, whatever the setting.
  settings.backspaceSendsBs = true;
  EXPECT_EQ(TranslateChar(127, settings), "\x7f");
}

TEST(TypedCharacters, EnterSendsCrLfAndCtrlEnterSendsLf) {
  EXPECT_EQ(TranslateChar(13, KeySettings{}), "\r\n");
  EXPECT_EQ(TranslateChar(10, KeySettings{}), "\n");
}

TEST(TypedCharacters, EveryOtherByteIsSentAlone) {
  for (int c = 0; c < 256; ++c) {
    if (c == 8 || c == 13) continue;
    const std::string sent = TranslateChar(static_cast<unsigned char>(c), KeySettings{});
    ASSERT_EQ(sent.size(), 1u) << c;  // NUL (Ctrl+@) included
    EXPECT_EQ(static_cast<unsigned char>(sent[0]), c);
  }
}

}  // namespace
