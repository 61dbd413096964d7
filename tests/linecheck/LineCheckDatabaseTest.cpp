#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <filesystem>
#include <future>
#include <random>
#include <utility>
#include <vector>

#include "linecheck/LineCheckDatabase.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "MemoryProfile.h"
#include "TempDir.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::uint32_t>>;

Entries EntriesOf(const LineCheckDatabase& db) {
  Entries out;
  for (std::uint32_t i = 0; i < db.Count(); ++i) out.emplace_back(db.GetName(i), db.GetNumber(i));
  return out;
}

class LineCheckDatabaseTest : public testing::Test {
 protected:
  LineCheckDatabaseTest() {
    csvDir = dir.MakeDir("csv");
    cdDir = dir.MakeDir("cd");
    Configure(5000, cdDir, csvDir, "");
  }

  void Configure(int dbSize, const std::string& cd, const std::string& csv,
                 const std::string& tree) {
    profile.Set("Special", "DBSize", std::to_string(dbSize));
    profile.Set("Special", "CDDir", cd);
    profile.Set("Special", "CSVDir", csv);
    profile.Set("Special", "DefaultDir", tree);
  }

  void Catalogue(int number, const std::string& content) {
    dir.Write("csv/cd" + std::to_string(number) + ".csv", content);
  }

  std::unique_ptr<LineCheckDatabase> Load(const std::atomic<bool>* stop = nullptr) {
    return std::make_unique<LineCheckDatabase>(
        profile, [this](const std::string& text) { messages.push_back(text); }, stop);
  }

  // Loads on another thread. A load still running after `limit` fails the test
  // and is then ended: by the stop flag, and by a writer for each of `fifos`
  // (a load blocked opening one can be freed no other way).
  std::unique_ptr<LineCheckDatabase> LoadWithin(std::chrono::seconds limit,
                                                const std::vector<std::string>& fifos = {}) {
    std::atomic<bool> stop{false};
    auto loading = std::async(std::launch::async, [&] { return Load(&stop); });
    if (loading.wait_for(limit) != std::future_status::ready) {
      ADD_FAILURE() << "the load did not end within " << limit.count() << " s";
      stop = true;
#ifndef _WIN32
      for (const std::string& fifo : fifos) {
        const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) close(fd);
      }
#endif
    }
    return loading.get();
  }

  TempDir dir;
  std::string csvDir, cdDir;
  MemoryProfile profile;
  std::vector<std::string> messages;
};

TEST_F(LineCheckDatabaseTest, ReadsCatalogueFilesInOrderAndUpperCasesNames) {
  Catalogue(0, "readme.txt,1234\n");
  Catalogue(3, "Mixed Case.Doc,2\n");
  Catalogue(9, "\xe9t\xe9.txt,3\n");  // bytes beyond ASCII are kept as they are
  dir.Write("csv/cd10.csv", "never.txt,4\n");
  EXPECT_EQ(EntriesOf(*Load()),
            (Entries{{"README.TXT", 1234}, {"MIXED CASE.DOC", 2}, {"\xe9T\xe9.TXT", 3}}));
}

TEST_F(LineCheckDatabaseTest, LinesWithAnEmptyNameAreNotStored) {
  Catalogue(0, "a,1\n,5\nb,2\n");
  Catalogue(1, ",7\nc,3\n");
  EXPECT_EQ(EntriesOf(*Load()), (Entries{{"A", 1}, {"B", 2}, {"C", 3}}));
}

TEST_F(LineCheckDatabaseTest, MissingNumberNeverBorrowsFromAnotherFile) {
  Catalogue(0, "a,7\n");
  Catalogue(1, "b,\n");
  EXPECT_EQ(EntriesOf(*Load()), (Entries{{"A", 7}, {"B", 0}}));
}

TEST_F(LineCheckDatabaseTest, DirectoryRecordAddsTheShortExtensionItemsOfItsDirectory) {
  dir.Write("cd/Games/a.txt", "abc");
  dir.Write("cd/Games/b.html", "12345");  // four-character extension: left out
  dir.Write("cd/Games/noext", "xy");
  dir.Write("cd/Games/c.", "");
  dir.Write("cd/Games/.profile", "p");  // extension "profile": left out
  dir.Write("cd/Games/sub/deep.txt", "not listed: only one level");
  Catalogue(0, "Games\\\nfile,1234\n");
  EXPECT_EQ(
      EntriesOf(*Load()),
      (Entries{{"GAMES", 0}, {"A.TXT", 3}, {"C.", 0}, {"NOEXT", 2}, {"SUB", 0}, {"FILE", 1234}}));
}

TEST_F(LineCheckDatabaseTest, DirectoryRecordForAMissingDirectoryStoresOnlyItself) {
  Catalogue(0, "nothere\\\n/etc\\\n");  // an absolute name stays under CDDir
  EXPECT_EQ(EntriesOf(*Load()), (Entries{{"NOTHERE", 0}, {"/ETC", 0}}));
}

TEST_F(LineCheckDatabaseTest, ListingsThatCannotBeMadeAddNothing) {
  dir.Write("cd/plain", "a file, not a directory");
  Catalogue(0, "plain\\\n");
  for (const std::string& tree : {dir / "cd/plain", dir / "missing"}) {
    Configure(10, cdDir, csvDir, tree);
    EXPECT_EQ(EntriesOf(*Load()), (Entries{{"PLAIN", 0}})) << tree;
  }
}

TEST_F(LineCheckDatabaseTest, DefaultTreeFollowsTheCataloguesDirectoriesBeforeTheirContents) {
  dir.Write("tree/x.bin", "1234");
  dir.Write("tree/d1/y.txt", "12");
  dir.MakeDir("tree/d1/d2");
  dir.Write("tree/.hidden", "1");
  dir.Write("tree/long.extension", "123456");  // the tree takes every item
  Catalogue(0, "first,1\n");
  Configure(5000, cdDir, csvDir, dir / "tree");
  EXPECT_EQ(EntriesOf(*Load()), (Entries{{"FIRST", 1},
                                         {".HIDDEN", 1},
                                         {"D1", 0},
                                         {"D2", 0},
                                         {"Y.TXT", 2},
                                         {"LONG.EXTENSION", 6},
                                         {"X.BIN", 4}}));
}

TEST_F(LineCheckDatabaseTest, LinkedDirectoryInTheTreeIsStoredButNotWalked) {
  dir.Write("tree/a.txt", "1");
  std::error_code ec;
  std::filesystem::create_directory_symlink(dir.Path() / "tree", dir.Path() / "tree/loop", ec);
  if (ec) GTEST_SKIP() << "symbolic links unavailable: " << ec.message();
  Configure(5000, cdDir, csvDir, dir / "tree");
  EXPECT_EQ(EntriesOf(*Load()), (Entries{{"A.TXT", 1}, {"LOOP", 0}}));
}

TEST_F(LineCheckDatabaseTest, CapacityStopsLoadingAndTheMessageCountsWhatWasStored) {
  dir.Write("cd/d/1.txt", "");
  dir.Write("cd/d/2.txt", "");
  dir.Write("cd/d/3.txt", "");
  Catalogue(0, "a,1\nd\\\n");
  Catalogue(1, "b,2\n");
  dir.Write("tree/t.txt", "");
  Configure(3, cdDir, csvDir, dir / "tree");
  auto db = Load();
  EXPECT_EQ(EntriesOf(*db), (Entries{{"A", 1}, {"D", 0}, {"1.TXT", 0}}));
  EXPECT_EQ(db->Capacity(), 3u);
  EXPECT_EQ(messages, (std::vector<std::string>{"Database loaded (3/3)"}));
  // Past the last entry: the empty name and 0.
  EXPECT_EQ(db->GetName(3), "");
  EXPECT_EQ(db->GetNumber(3), 0u);
  EXPECT_EQ(db->GetName(UINT32_MAX), "");
}

TEST_F(LineCheckDatabaseTest, LoadedAndUnloadedMessages) {
  Catalogue(0, "a,1\nb,2\n");
  auto db = Load();
  EXPECT_EQ(messages, (std::vector<std::string>{"Database loaded (2/5000)"}));
  db.reset();
  EXPECT_EQ(messages, (std::vector<std::string>{"Database loaded (2/5000)", "Database unloaded"}));
}

struct GateCase {
  const char* what;
  int dbSize;
  bool withCdDir, withCsvDir;
  std::uint32_t capacity;
};
void PrintTo(const GateCase& c, std::ostream* os) { *os << c.what; }

class LineCheckDatabaseGate : public LineCheckDatabaseTest,
                              public testing::WithParamInterface<GateCase> {};

// Every way of configuring nothing: an empty database, no message on load or unload.
TEST_P(LineCheckDatabaseGate, LoadsNothingAndSaysNothing) {
  const GateCase& c = GetParam();
  Catalogue(0, "a,1\n");
  dir.Write("tree/t.txt", "1");
  Configure(c.dbSize, c.withCdDir ? cdDir : "", c.withCsvDir ? csvDir : "", dir / "tree");
  auto db = Load();
  EXPECT_EQ(db->Count(), 0u) << c.what;
  EXPECT_EQ(db->Capacity(), c.capacity) << c.what;
  EXPECT_EQ(db->GetName(0), "");
  db.reset();
  EXPECT_TRUE(messages.empty()) << c.what;
}

const GateCase kGateCases[] = {
    {"DBSize 0", 0, true, true, 0},
    {"negative DBSize counts as 0", -5, true, true, 0},
    {"empty CDDir skips the default tree too", 10, false, true, 10},
    {"empty CSVDir", 10, true, false, 10},
};
INSTANTIATE_TEST_SUITE_P(Gates, LineCheckDatabaseGate, testing::ValuesIn(kGateCases));

TEST_F(LineCheckDatabaseTest, CapacityTooLargeForMemoryLeavesTheDatabaseEmptyOrLoaded) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers' allocators abort on a failed allocation instead of throwing";
#endif
  Catalogue(0, "a,1\n");
  Configure(INT_MAX, cdDir, csvDir, "");
  auto db = Load();  // must not crash, whether or not the machine can reserve it
  EXPECT_LE(db->Count(), 1u);
}

TEST_F(LineCheckDatabaseTest, CsvDirIsTakenLiterally) {
  std::string odd = dir.MakeDir("100%d %s%n");
  dir.Write("100%d %s%n/cd0.csv", "odd,5\n");
  Configure(10, cdDir, odd + "/", "");  // a trailing separator does no harm either
  EXPECT_EQ(EntriesOf(*Load()), (Entries{{"ODD", 5}}));
}

TEST_F(LineCheckDatabaseTest, BrokenCataloguesAreSkippedAndTheRestLoads) {
  dir.MakeDir("csv/cd0.csv");  // a directory where a file should be
  std::mt19937 random(99);
  std::string garbage(256 * 1024, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  Catalogue(1, garbage);
  Catalogue(2, std::string(2 * 1024 * 1024, 'z'));  // one huge name, never finished
  Catalogue(3, "last,9");                           // no trailing newline
  auto db = Load();
  ASSERT_GE(db->Count(), 1u);
  EXPECT_EQ(db->GetName(db->Count() - 1), "LAST");
  EXPECT_EQ(db->GetNumber(db->Count() - 1), 9u);
}

#ifndef _WIN32
// Catalogues and tree items that are not regular files have no end (a device)
// or block whoever opens them (a pipe without a writer): they are skipped, and
// the load ends with everything else.
struct SpecialFileCase {
  const char* name;
  const char* what;
  const char* where;  // a path under the test folder
  bool fifo;          // a named pipe; otherwise a link to /dev/zero
};
void PrintTo(const SpecialFileCase& c, std::ostream* os) { *os << c.what; }

class LineCheckDatabaseSpecialFiles : public LineCheckDatabaseTest,
                                      public testing::WithParamInterface<SpecialFileCase> {};

TEST_P(LineCheckDatabaseSpecialFiles, AreSkippedAndTheLoadEnds) {
  const SpecialFileCase& c = GetParam();
  dir.MakeDir("tree");
  dir.Write("cd/d/file.txt", "12");
  dir.Write("tree/t.txt", "1");
  Catalogue(1, "after,5\nd\\\n");
  const std::string path = dir / c.where;
  std::error_code ec;
  if (c.fifo) {
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
  } else {
    std::filesystem::create_symlink("/dev/zero", path, ec);
    ASSERT_FALSE(ec) << ec.message();
  }
  Configure(5000, cdDir, csvDir, dir / "tree");
  auto db = LoadWithin(std::chrono::seconds(20), {path});
  EXPECT_EQ(EntriesOf(*db), (Entries{{"AFTER", 5}, {"D", 0}, {"FILE.TXT", 2}, {"T.TXT", 1}}))
      << c.what;
}

const SpecialFileCase kSpecialFileCases[] = {
    {"FifoCatalogue", "FIFO as cd0.csv", "csv/cd0.csv", true},
    {"ZeroCatalogue", "link to /dev/zero as cd0.csv", "csv/cd0.csv", false},
    {"FifoInTree", "FIFO in the tree", "tree/pipe", true},
    {"ZeroInTree", "link to /dev/zero in the tree", "tree/zero", false},
    {"FifoListed", "FIFO in a listed directory", "cd/d/pipe.csv", true},
    {"ZeroListed", "link to /dev/zero in a listed directory", "cd/d/zero", false},
};
INSTANTIATE_TEST_SUITE_P(Kinds, LineCheckDatabaseSpecialFiles, testing::ValuesIn(kSpecialFileCases),
                         [](const testing::TestParamInfo<SpecialFileCase>& info) {
                           return std::string(info.param.name);
                         });
#endif

TEST_F(LineCheckDatabaseTest, StopFlagSetFromAnotherThreadEndsALongLoad) {
  // A sparse catalogue of 64 GiB without a separator: read in full it would
  // take many minutes.
  const std::string huge = dir.Write("csv/cd0.csv", "");
  std::error_code ec;
  std::filesystem::resize_file(huge, std::uintmax_t{64} << 30, ec);
  if (ec) GTEST_SKIP() << "no sparse file here: " << ec.message();
  Catalogue(1, "b,2\n");

  std::atomic<bool> stop{false};
  auto loading = std::async(std::launch::async, [&] { return Load(&stop); });
  ASSERT_EQ(loading.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout)
      << "the catalogue was read in full: nothing to stop";
  stop = true;
  ASSERT_EQ(loading.wait_for(std::chrono::seconds(5)), std::future_status::ready)
      << "the load went on after the stop flag was set";
  auto db = loading.get();
  EXPECT_EQ(db->Count(), 0u) << "nothing after the stop is read";
  EXPECT_TRUE(messages.empty()) << "a stopped load says nothing";
}

TEST_F(LineCheckDatabaseTest, UnreadableDirectoriesAreSkipped) {
  dir.Write("tree/locked/inside.txt", "1");
  dir.Write("tree/open.txt", "1");
  namespace fs = std::filesystem;
  fs::permissions(dir.Path() / "tree/locked", fs::perms::none);
  std::error_code denied;
  fs::directory_iterator probe(dir.Path() / "tree/locked", denied);
  bool stillReadable = !denied;
  Configure(10, cdDir, csvDir, dir / "tree");
  auto db = Load();
  fs::permissions(dir.Path() / "tree/locked", fs::perms::owner_all);
  if (stillReadable) GTEST_SKIP() << "permissions are not enforced for this user";
  EXPECT_EQ(EntriesOf(*db), (Entries{{"LOCKED", 0}, {"OPEN.TXT", 1}}));
}

}  // namespace
