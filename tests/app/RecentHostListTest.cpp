#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "MemoryProfile.h"
#include "cmdline/PortText.h"
#include "settings/IniProfile.h"
#include "settings/RecentHostList.h"

void PrintTo(const RecentHost& e, std::ostream* os) {
  *os << "{\"" << e.host << "\", " << e.port << ", \"" << e.description << "\"}";
}

namespace {

constexpr const char* kSection = "Recent Host List";

// Stores the entries as slots 1.. without recording writes.
void Seed(MemoryProfile& profile, const std::vector<RecentHost>& entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    profile.Set(kSection, "Host" + n, entries[i].host);
    profile.Set(kSection, "Port" + n, std::to_string(entries[i].port));
    profile.Set(kSection, "Desc" + n, entries[i].description);
  }
}

std::vector<RecentHost> Slots(const RecentHostList& list) {
  std::vector<RecentHost> out;
  for (int i = 0; i < RecentHostList::kSlots; ++i) out.push_back(list.At(i));
  return out;
}

// Entries padded with empty slots (port 23, as a fresh profile reads) to ten.
std::vector<RecentHost> Padded(std::vector<RecentHost> entries) {
  entries.resize(RecentHostList::kSlots);
  return entries;
}

// The keys a write of the given 1-based slots produces, in order.
std::vector<std::string> KeysOfSlots(const std::vector<int>& numbers) {
  std::vector<std::string> keys;
  for (int n : numbers) {
    for (const char* prefix : {"Host", "Port", "Desc"}) keys.push_back(prefix + std::to_string(n));
  }
  return keys;
}

std::vector<std::string> WrittenKeys(const MemoryProfile& profile) {
  std::vector<std::string> keys;
  for (const auto& w : profile.writes) {
    EXPECT_EQ(w.section, kSection);
    keys.push_back(w.key);
  }
  return keys;
}

std::vector<RecentHost> Lettered(int count) {
  std::vector<RecentHost> entries;
  for (int i = 0; i < count; ++i) {
    entries.push_back(
        {std::string(1, static_cast<char>('a' + i)), 23u + static_cast<unsigned>(i), ""});
  }
  return entries;
}

TEST(RecentHostListLoad, FreshProfileIsEmptyWithDefaultPorts) {
  MemoryProfile profile;
  RecentHostList list;
  list.Load(profile);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.MenuCount(), 0);
  EXPECT_EQ(Slots(list), Padded({}));
  EXPECT_TRUE(profile.writes.empty());
}

TEST(RecentHostListLoad, KeepsGapsAndEndsAtFirstEmptyHost) {
  MemoryProfile profile;
  profile.Set(kSection, "Host1", "alpha");  // no port key: reads as 23
  profile.Set(kSection, "Desc1", "first");
  profile.Set(kSection, "Host3", "gamma");
  profile.Set(kSection, "Port3", "2323");
  profile.Set(kSection, "Port4", "0");  // empty host, port still kept
  RecentHostList list;
  list.Load(profile);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(Slots(list), Padded({{"alpha", 23, "first"}, {}, {"gamma", 2323, ""}, {"", 0, ""}}));
  EXPECT_TRUE(profile.writes.empty());
}

TEST(RecentHostListLoad, PortAboveSignedRangeSurvivesStoreAndLoad) {
  MemoryProfile profile;
  RecentHostList list;
  list.Load(profile);
  list.Remember(profile, {"h", 3000000000u, ""});
  RecentHostList reloaded;
  reloaded.Load(profile);
  EXPECT_EQ(reloaded.At(0).port, 3000000000u);
}

struct RememberCase {
  const char* name;
  std::vector<RecentHost> before;
  RecentHost entry;
  std::vector<RecentHost> after;
  std::vector<int> writtenSlots;  // 1-based key numbers, in write order
};
void PrintTo(const RememberCase& c, std::ostream* os) { *os << c.name; }

class RememberTest : public testing::TestWithParam<RememberCase> {};

TEST_P(RememberTest, MovesToFrontAndWritesOnlyChangedSlots) {
  const RememberCase& c = GetParam();
  MemoryProfile profile;
  Seed(profile, c.before);
  RecentHostList list;
  list.Load(profile);

  list.Remember(profile, c.entry);

  EXPECT_EQ(Slots(list), Padded(c.after));
  EXPECT_EQ(WrittenKeys(profile), KeysOfSlots(c.writtenSlots));
  RecentHostList reloaded;  // what was written is what the list holds
  reloaded.Load(profile);
  EXPECT_EQ(Slots(reloaded), Slots(list));
}

const RecentHost A{"a", 23, ""}, B{"b", 24, ""}, C{"c", 25, ""};
const RecentHost X{"x.example", 2323, "lab"};

std::vector<RecentHost> FullList() { return Lettered(10); }
std::vector<RecentHost> FullListWithSlot4First() {
  auto v = Lettered(10);
  return {v[4], v[0], v[1], v[2], v[3], v[5], v[6], v[7], v[8], v[9]};
}
std::vector<RecentHost> FullListWithNewFirst() {
  auto v = Lettered(9);
  v.insert(v.begin(), X);
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RememberTest,
    testing::Values(RememberCase{"IntoEmptyList", {}, X, {X}, {1}},
                    RememberCase{
                        "NewEntryPushesOthersDown", {A, B, C}, X, {X, A, B, C}, {1, 2, 3, 4}},
                    RememberCase{"AlreadyFirstWritesNothing", {X, A, B}, X, {X, A, B}, {}},
                    RememberCase{"FromSlot4LeavesLaterSlots",
                                 FullList(),
                                 Lettered(10)[4],
                                 FullListWithSlot4First(),
                                 {1, 2, 3, 4, 5}},
                    RememberCase{"NewEntryInFullListDropsSlot9",
                                 FullList(),
                                 X,
                                 FullListWithNewFirst(),
                                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
                    RememberCase{"LastEntryMovesUp", {A, B, C}, C, {C, A, B}, {1, 2, 3}},
                    RememberCase{"HostCaseMatters",
                                 {{"Host", 23, ""}},
                                 {"host", 23, ""},
                                 {{"host", 23, ""}, {"Host", 23, ""}},
                                 {1, 2}},
                    RememberCase{"DescriptionCaseMatters",
                                 {{"h", 23, "Lab"}},
                                 {"h", 23, "lab"},
                                 {{"h", 23, "lab"}, {"h", 23, "Lab"}},
                                 {1, 2}},
                    RememberCase{"OtherDescriptionIsAnotherEntry",
                                 {{"h", 23, "one"}},
                                 {"h", 23, ""},
                                 {{"h", 23, ""}, {"h", 23, "one"}},
                                 {1, 2}},
                    RememberCase{"OtherPortIsAnotherEntry",
                                 {{"h", 23, ""}},
                                 {"h", 2323, ""},
                                 {{"h", 2323, ""}, {"h", 23, ""}},
                                 {1, 2}},
                    // The carry stops at the first empty slot; what lies behind it stays.
                    RememberCase{"FillsGapAndKeepsSlotsBehindIt", {A, {}, C}, X, {X, A, C}, {1, 2}},
                    RememberCase{"EmptyHostChangesNothing", {A, B}, {"", 23, "desc"}, {A, B}, {}}),
    [](const testing::TestParamInfo<RememberCase>& info) { return info.param.name; });

TEST(RecentHostListRemember, EleventhDistinctEntryPushesOldestOut) {
  MemoryProfile profile;
  RecentHostList list;
  list.Load(profile);
  for (const RecentHost& e : Lettered(11)) list.Remember(profile, e);
  EXPECT_EQ(list.Count(), 10);
  EXPECT_EQ(list.At(0).host, "k");
  EXPECT_EQ(list.At(9).host, "b");
  RecentHostList reloaded;
  reloaded.Load(profile);
  EXPECT_EQ(Slots(reloaded), Slots(list));
}

TEST(RecentHostListDelete, ShiftsUpEmptiesSlot9WithPort0AndWritesAllTen) {
  MemoryProfile profile;
  Seed(profile, FullList());
  RecentHostList list;
  list.Load(profile);

  ASSERT_TRUE(list.Delete(profile, 3));

  auto expected = Lettered(10);
  expected.erase(expected.begin() + 3);
  expected.push_back({"", 0, ""});
  EXPECT_EQ(Slots(list), expected);
  EXPECT_EQ(WrittenKeys(profile), KeysOfSlots({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(profile.Value(kSection, "Port10"), "0");
  EXPECT_EQ(profile.Value(kSection, "Host10"), "");
}

TEST(RecentHostListDelete, DeletingEveryEntryLeavesPort0InSlot0) {
  MemoryProfile profile;
  Seed(profile, FullList());
  RecentHostList list;
  list.Load(profile);
  while (list.Count() > 0) ASSERT_TRUE(list.Delete(profile, 0));
  EXPECT_EQ(Slots(list), std::vector<RecentHost>(10, RecentHost{"", 0, ""}));
  RecentHostList reloaded;
  reloaded.Load(profile);
  EXPECT_EQ(reloaded.At(0).port, 0u);  // the dialog's port field then opens with 0
}

TEST(RecentHostListDelete, SlotNotShownChangesAndWritesNothing) {
  for (int slot : {-1, 2, 3, 9, 10}) {
    SCOPED_TRACE(slot);
    MemoryProfile profile;
    Seed(profile, {A, B, {}, C});
    RecentHostList list;
    list.Load(profile);
    const auto before = Slots(list);
    EXPECT_FALSE(list.Delete(profile, slot));
    EXPECT_EQ(Slots(list), before);
    EXPECT_TRUE(profile.writes.empty());
  }
}

// Two windows (two stores, as two processes have) on one profile file: each
// change is made to the list as it then stands in the file, so neither window
// drops the other's entries.
struct WindowStep {
  int window;  // 0 = A, 1 = B
  enum { kConnect, kDelete } action;
  RecentHost entry{};  // connected to
  int slot = -1;       // deleted: the line this window's list shows there
};

struct TwoWindowCase {
  const char* name;
  std::vector<WindowStep> steps;
  std::vector<RecentHost> after;  // padded to ten slots
};
void PrintTo(const TwoWindowCase& c, std::ostream* os) { *os << c.name; }

class TwoWindowsTest : public testing::TestWithParam<TwoWindowCase> {};

TEST_P(TwoWindowsTest, NeitherLosesTheOthersEntries) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::temp_directory_path() / ("corvane-recent-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir);
  {
    IniProfile profiles[2] = {IniProfile(dir / "corvane.ini"), IniProfile(dir / "corvane.ini")};
    RecentHostList lists[2];
    for (int w = 0; w < 2; ++w) lists[w].Load(profiles[w]);  // both windows start
    for (const WindowStep& step : GetParam().steps) {
      if (step.action == WindowStep::kConnect)
        lists[step.window].Remember(profiles[step.window], step.entry);
      else
        lists[step.window].Delete(profiles[step.window], step.slot);
    }
    IniProfile reread(dir / "corvane.ini");
    RecentHostList stored;
    stored.Load(reread);
    EXPECT_EQ(Slots(stored), Padded(GetParam().after));
  }
  fs::remove_all(dir);
}

const RecentHost A1{"a1", 23, ""}, A2{"a2", 23, ""}, B1{"b1", 23, ""}, B2{"b2", 23, ""};

// The list after a Delete: slot 9 is emptied with port 0.
std::vector<RecentHost> AfterDelete(std::vector<RecentHost> entries) {
  entries = Padded(std::move(entries));
  entries.back() = {"", 0, ""};
  return entries;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TwoWindowsTest,
    testing::Values(TwoWindowCase{"ConnectsInTurn",
                                  {{0, WindowStep::kConnect, A1},
                                   {1, WindowStep::kConnect, B1},
                                   {0, WindowStep::kConnect, A2},
                                   {1, WindowStep::kConnect, B2}},
                                  {B2, A2, B1, A1}},
                    // B shows b1, a1; A has added a2 in front since: b1 is deleted where it now is.
                    TwoWindowCase{"DeleteRemovesTheShownEntryWhereItNowIs",
                                  {{0, WindowStep::kConnect, A1},
                                   {1, WindowStep::kConnect, B1},
                                   {0, WindowStep::kConnect, A2},
                                   {1, WindowStep::kDelete, {}, 0}},
                                  AfterDelete({A2, A1})},
                    // A has deleted a1 already; B's delete of it removes nothing else.
                    TwoWindowCase{"DeleteOfAnEntryTheOtherRemovedChangesNothing",
                                  {{0, WindowStep::kConnect, A1},
                                   {1, WindowStep::kConnect, B1},
                                   {0, WindowStep::kDelete, {}, 0},
                                   {1, WindowStep::kDelete, {}, 1}},
                                  AfterDelete({B1})}),
    [](const testing::TestParamInfo<TwoWindowCase>& info) { return info.param.name; });

TEST(RecentHostListText, EntryMenuAndTitleForms) {
  MemoryProfile profile;
  Seed(profile, {{"bbs.example", 23, "Home BBS"}, {"10.0.0.1", 2323, ""}, {"a&b", 7, "R&D"}});
  RecentHostList list;
  list.Load(profile);

  EXPECT_EQ(list.EntryText(0), "Home BBS (bbs.example:23)");
  EXPECT_EQ(list.EntryText(1), "10.0.0.1:2323");
  EXPECT_EQ(list.EntryText(2), "R&D (a&b:7)");  // list box lines show '&' as is
  EXPECT_EQ(list.MenuText(0), "&1 bbs.example:23");
  EXPECT_EQ(list.MenuText(1), "&2 10.0.0.1:2323");
  EXPECT_EQ(list.MenuText(2), "&3 a&&b:7");  // doubled so it is not a mnemonic

  EXPECT_EQ(ConnectedTitle(list.At(0), "Corvane"), "Home BBS (bbs.example:23) - Corvane");
  EXPECT_EQ(ConnectedTitle(list.At(1), "Corvane"), "10.0.0.1:2323 - Corvane");
  EXPECT_EQ(ConnectedTitle({"h", 4294967295u, ""}, "Corvane"), "h:4294967295 - Corvane");
}

TEST(RecentHostListText, MenuShowsAtMostFourEntries) {
  MemoryProfile profile;
  RecentHostList list;
  for (int count : {0, 3, 4, 6, 10}) {
    Seed(profile, Lettered(count));
    list.Load(profile);
    EXPECT_EQ(list.MenuCount(), std::min(count, 4)) << count;
  }
  EXPECT_EQ(list.MenuText(3), "&4 d:26");
}

struct PortCase {
  const char* text;
  bool ok;
  unsigned port;
  const char* message;
};

TEST(PortText, ParsesUnsignedDecimalAndRefusesPortsAbove65535) {
  const PortCase cases[] = {
      {"23", true, 23, ""},
      {"0", true, 0, ""},
      {"65535", true, 65535, ""},
      {"0023", true, 23, ""},
      {" 2323\t", true, 2323, ""},
      {"65536", false, 0, kPortOutOfRangeMessage},  // would wrap to port 0
      {"65559", false, 0, kPortOutOfRangeMessage},  // would wrap to port 23
      {"4294967296", false, 0, kPortOutOfRangeMessage},
      {"99999999999999999999999999", false, 0, kPortOutOfRangeMessage},
      {"", false, 0, kPortNotANumberMessage},
      {"   ", false, 0, kPortNotANumberMessage},
      {"-1", false, 0, kPortNotANumberMessage},
      {"+23", false, 0, kPortNotANumberMessage},
      {"23a", false, 0, kPortNotANumberMessage},
      {"2 3", false, 0, kPortNotANumberMessage},
      {"0x17", false, 0, kPortNotANumberMessage},
  };
  for (const PortCase& c : cases) {
    SCOPED_TRACE(c.text);
    const PortTextResult r = ParsePortText(c.text);
    EXPECT_EQ(r.ok, c.ok);
    EXPECT_EQ(r.port, c.port);
    EXPECT_EQ(r.message, c.message);
  }
  EXPECT_EQ(PortText(23), "23");
  EXPECT_EQ(PortText(4294967295u), "4294967295");
}

}  // namespace
