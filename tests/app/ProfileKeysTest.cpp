#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "MemoryProfile.h"
#include "settings/IniProfile.h"
#include "settings/ProfileKeys.h"

namespace fs = std::filesystem;

namespace {

// First start: no settings file at all.
class FirstStart : public ::testing::Test {
 protected:
  fs::path dir =
      fs::temp_directory_path() / ("corvane-keys-test-" + std::to_string(std::random_device{}()));
  IniProfile profile{dir / "corvane.ini"};
  ~FirstStart() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

TEST_F(FirstStart, EveryIntegerKeyReadsItsDefault) {
  struct Row {
    IntKey key;
    const char* section;
    const char* name;
    int expected;
  };
  const std::vector<Row> rows = {
      {keys::SaveWinPosition, "Options", "SaveWinPosition", 1},
      {keys::LocalEcho, "Options", "LocalEcho", 0},
      {keys::ApplicationMode, "Options", "ApplicationMode", 1},
      {keys::Backspace, "Options", "Backspace", 1},
      {keys::AutoClose, "Options", "AutoClose", 0},
      {keys::BlockCursor, "Options", "BlockCursor", 0},
      {keys::DisconnectNotify, "Options", "DisconnectNotify", 1},
      {keys::ReverseColor, "Options", "ReverseColor", 0},
      {keys::Emulation, "Options", "Emulation", 0},  // VT100
      {keys::WinSizeWarning, "Options", "WinSizeWarning", 1},
      {keys::KeepAlive, "Options", "KeepAlive", 0},
      {keys::HostText, "Options", "HostText", 0},
      {keys::WinPosX, "Screen", "WinPosX", 0},
      {keys::WinPosY, "Screen", "WinPosY", 0},
      {keys::Width, "Screen", "Width", 80},
      {keys::Height, "Screen", "Height", 24},
      {keys::BufferSize, "Screen", "BufferSize", 1000},
      {keys::FontSize, "Font", "Size", 110},
      {keys::FontItalic, "Font", "Italic", 0},
      {keys::FontCharSet, "Font", "CharSet", 1},
      {keys::ForegroundR, "Color", "ForegroundR", 192},
      {keys::ForegroundG, "Color", "ForegroundG", 192},
      {keys::ForegroundB, "Color", "ForegroundB", 192},
      {keys::BackgroundR, "Color", "BackgroundR", 0},
      {keys::BackgroundG, "Color", "BackgroundG", 0},
      {keys::BackgroundB, "Color", "BackgroundB", 0},
      {keys::DBSize, "Special", "DBSize", 0},
      {keys::MarkColor, "Special", "Color", 0},
  };
  for (const Row& row : rows) {
    EXPECT_STREQ(row.key.section, row.section) << row.name;
    EXPECT_STREQ(row.key.key, row.name);
    EXPECT_EQ(row.key.Read(profile), row.expected) << row.name;
  }
  for (int slot = 1; slot <= keys::kRecentHostCount; ++slot)
    EXPECT_EQ(keys::RecentPort.Read(profile, slot), 23);
  EXPECT_FALSE(fs::exists(dir)) << "reading defaults must not create anything";
}

TEST_F(FirstStart, EveryStringKeyReadsItsDefault) {
  struct Row {
    StringKey key;
    const char* section;
    const char* name;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {keys::FontName, "Font", "Name", "Terminal"},
      {keys::CDDir, "Special", "CDDir", ""},
      {keys::CSVDir, "Special", "CSVDir", ""},
      {keys::DefaultDir, "Special", "DefaultDir", ""},
  };
  for (const Row& row : rows) {
    EXPECT_STREQ(row.key.section, row.section) << row.name;
    EXPECT_STREQ(row.key.key, row.name);
    EXPECT_EQ(row.key.Read(profile), row.expected) << row.name;
  }
  for (int n = 1; n <= keys::kMacroCount; ++n) EXPECT_EQ(keys::Macro.Read(profile, n), "");
  for (int slot = 1; slot <= keys::kRecentHostCount; ++slot) {
    EXPECT_EQ(keys::RecentHost.Read(profile, slot), "");
    EXPECT_EQ(keys::RecentDesc.Read(profile, slot), "");
  }
}

TEST(NumberedKeys, AreNamedWithoutLeadingZeros) {
  MemoryProfile profile;
  keys::Macro.Write(profile, 1, "a");
  keys::Macro.Write(profile, 12, "b");
  keys::RecentHost.Write(profile, 10, "h");
  keys::RecentPort.Write(profile, 10, 2323);
  keys::RecentDesc.Write(profile, 2, "d");
  EXPECT_TRUE(profile.Has("Macro", "F1"));
  EXPECT_TRUE(profile.Has("Macro", "F12"));
  EXPECT_TRUE(profile.Has("Recent Host List", "Host10"));
  EXPECT_EQ(profile.Value("Recent Host List", "Port10"), "2323");
  EXPECT_TRUE(profile.Has("Recent Host List", "Desc2"));
}

}  // namespace
