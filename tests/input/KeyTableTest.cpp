// Every row of tests/data/keys/keys.tsv through the key translation: the
// editing keys by emulation, the arrows by mode, both function-key tables.
#include <gtest/gtest.h>

#include <map>

#include "EscapedBytes.h"
#include "KeyTable.h"
#include "input/KeyTranslation.h"

namespace {

int VirtualKeyOf(const std::string& name) {
  static const std::map<std::string, int> keys = {
      {"Pause", VK_PAUSE}, {"PageUp", VK_PRIOR},  {"PageDown", VK_NEXT}, {"End", VK_END},
      {"Home", VK_HOME},   {"Left", VK_LEFT},     {"Up", VK_UP},         {"Right", VK_RIGHT},
      {"Down", VK_DOWN},   {"Insert", VK_INSERT}, {"Delete", VK_DELETE}, {"Menu", VK_APPS}};
  if (name.size() > 1 && name[0] == 'F') return VK_F1 + std::stoi(name.substr(1)) - 1;
  return keys.at(name);
}

}  // namespace

void PrintTo(const KeyRow& row, std::ostream* os) {
  *os << "keys.tsv:" << row.line << " " << row.name;
}

namespace {

class KeyTable : public testing::TestWithParam<KeyRow> {};

TEST_P(KeyTable, SendsTheRowsBytes) {
  const KeyRow& row = GetParam();
  KeySettings settings;
  settings.emulation = row.emulation;
  settings.applicationMode = row.applicationMode;
  KeyModifiers mods;
  mods.shift = row.shift;
  mods.ctrl = row.ctrl;
  mods.alt = row.alt;
  mods.apps = row.apps;
  EXPECT_EQ(Escape(TranslateKeyDown(VirtualKeyOf(row.key), mods, settings, MacroTexts{})),
            Escape(row.sends));
}

INSTANTIATE_TEST_SUITE_P(Rows, KeyTable,
                         testing::ValuesIn(LoadKeyTable(CORVANE_TEST_DATA "/keys/keys.tsv")),
                         [](const testing::TestParamInfo<KeyRow>& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
