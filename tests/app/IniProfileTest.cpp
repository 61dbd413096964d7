#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "settings/AtomicFile.h"
#include "settings/FileLock.h"
#include "settings/IniProfile.h"
#include "settings/ProfilePath.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// A fresh directory under the system's temporary directory, removed afterwards.
class TempDir {
 public:
  TempDir() {
    path_ =
        fs::temp_directory_path() / ("corvane-ini-test-" + std::to_string(std::random_device{}()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    return names;
  }

 private:
  fs::path path_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

class IniProfileTest : public ::testing::Test {
 protected:
  TempDir dir;
  fs::path file = dir.path() / "corvane.ini";
};

TEST_F(IniProfileTest, AbsentFileSectionKeyOrEmptyValueGiveTheDefault) {
  IniProfile profile(file);
  EXPECT_EQ(profile.GetInt("Screen", "Width", 80), 80);
  EXPECT_EQ(profile.GetString("Font", "Name", "Terminal"), "Terminal");
  EXPECT_FALSE(fs::exists(file)) << "reading must not create the file";

  WriteFile(file, "[Screen]\nHeight=30\nWidth=\n");
  EXPECT_EQ(profile.GetInt("Screen", "Width", 80), 80);  // empty value: default
  EXPECT_EQ(profile.GetString("Screen", "Width", "x"), "");
  EXPECT_EQ(profile.GetInt("Screen", "BufferSize", 1000), 1000);
  EXPECT_EQ(profile.GetInt("Options", "Height", 7), 7);
  EXPECT_EQ(profile.GetInt("Screen", "Height", 24), 30);
}

TEST_F(IniProfileTest, LookupsIgnoreCaseAndSurroundingBlanks) {
  WriteFile(file, "  [ sCrEeN ]  \n  WIDTH =  132  \t\n");
  IniProfile profile(file);
  EXPECT_EQ(profile.GetInt("Screen", "Width", 80), 132);
  profile.WriteInt("screen", "width", 100);
  EXPECT_EQ(ReadFile(file), "  [ sCrEeN ]  \n  WIDTH =  100  \t\n");
}

TEST_F(IniProfileTest, IntegersParseLikeAtoiAndClampInsteadOfOverflowing) {
  const std::map<std::string, int> cases = {{"42", 42},
                                            {"-7", -7},
                                            {"+5", 5},
                                            {"12abc", 12},
                                            {"abc", 0},
                                            {"-", 0},
                                            {"0x10", 0},
                                            {"\"17\"", 17},
                                            {"99999999999", INT_MAX},
                                            {"-99999999999", INT_MIN},
                                            {"2147483647", INT_MAX},
                                            {"-2147483648", INT_MIN}};
  std::string content = "[N]\n";
  int n = 0;
  for (const auto& [text, expected] : cases)
    content += "k" + std::to_string(n++) + "=" + text + "\n";
  WriteFile(file, content);
  IniProfile profile(file);
  n = 0;
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(profile.GetInt("N", "k" + std::to_string(n++), 1), expected) << text;

  for (int value : {INT_MIN, -1, 0, INT_MAX}) {
    profile.WriteInt("N", "w", value);
    EXPECT_EQ(profile.GetInt("N", "w", 1), value);
    EXPECT_EQ(profile.GetString("N", "w"), std::to_string(value));
  }
}

TEST_F(IniProfileTest, StringsSurviveTheRoundTripThroughTheFile) {
  const std::vector<std::string> values = {"ls -l\\r",   "  leading", "trailing ",
                                           "\"quoted\"", "'single'",  "a=b;c",
                                           "\"",         "",          std::string("nul\0in", 6)};
  {
    IniProfile writer(file);
    for (std::size_t i = 0; i < values.size(); ++i)
      writer.WriteString("Macro", "F" + std::to_string(i + 1), values[i]);
  }
  IniProfile reader(file);
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(reader.GetString("Macro", "F" + std::to_string(i + 1), "?"), values[i]) << i;
}

TEST_F(IniProfileTest, LineBreaksInAValueCannotForgeOtherKeys) {
  IniProfile profile(file);
  profile.WriteString("Recent Host List", "Desc1", "a\n[Special]\r\nDBSize=5");
  EXPECT_EQ(profile.GetInt("Special", "DBSize", 0), 0);
  EXPECT_EQ(profile.GetString("Recent Host List", "Desc1"), "a [Special]  DBSize=5");
  EXPECT_EQ(ReadFile(file), "[Recent Host List]\nDesc1=a [Special]  DBSize=5\n");
}

TEST_F(IniProfileTest, UnparsedLinesSurviveARewriteByteForByte) {
  const std::string garbage("\x01\xff\xfe\0bin=ary\x80", 12);
  const std::string long_line(100000, 'x');
  const std::string head =
      "stray=before any section\n; comment=not a key\n[Options]\nno equals sign\n" + garbage +
      "\n[Broken header\n" + long_line + "\n";
  const std::string tail = "\n[Unknown]\nWhatever=1\n[Options]\nTruncated=";
  WriteFile(file, head + "LocalEcho=0" + tail);
  IniProfile profile(file);

  EXPECT_EQ(profile.GetInt("Options", "stray", 9), 9);      // before any section
  EXPECT_EQ(profile.GetInt("Options", "; comment", 9), 9);  // a comment, not a key
  profile.WriteInt("Options", "LocalEcho", 1);
  EXPECT_EQ(ReadFile(file), head + "LocalEcho=1" + tail);

  // A new key goes after the last key of the section; a new section at the end, which
  // first ends the truncated last line.
  profile.WriteInt("Options", "AutoClose", 1);
  profile.WriteString("Font", "Name", "Fixed");
  EXPECT_EQ(ReadFile(file), head + "LocalEcho=1\nAutoClose=1" + tail + "\n\n[Font]\nName=Fixed\n");
  EXPECT_EQ(profile.GetInt("Options", "AutoClose", 0), 1);
}

TEST_F(IniProfileTest, FirstOfDuplicateSectionsAndKeysWins) {
  WriteFile(file, "[Options]\nA=1\nA=2\n\n[options]\nA=3\nB=4\n");
  IniProfile profile(file);
  EXPECT_EQ(profile.GetInt("Options", "A", 0), 1);
  EXPECT_EQ(profile.GetInt("Options", "B", 0), 4);  // only in the second copy
  profile.WriteInt("Options", "A", 9);
  profile.WriteInt("Options", "B", 8);
  profile.WriteInt("Options", "C", 7);
  EXPECT_EQ(ReadFile(file), "[Options]\nA=9\nA=2\nC=7\n\n[options]\nA=3\nB=8\n");
}

TEST_F(IniProfileTest, KeepsWindowsLineEndsAndByteOrderMark) {
  WriteFile(file, "\xEF\xBB\xBF[Screen]\r\nWidth=90\r\n");
  IniProfile profile(file);
  EXPECT_EQ(profile.GetInt("Screen", "Width", 80), 90);
  profile.WriteInt("Screen", "Height", 30);
  EXPECT_EQ(ReadFile(file), "\xEF\xBB\xBF[Screen]\r\nWidth=90\r\nHeight=30\r\n");
}

TEST_F(IniProfileTest, CreatesMissingDirectoriesAndLeavesNoTemporaryFile) {
  const fs::path nested = dir.path() / "a" / "b" / "corvane.ini";
  IniProfile profile(nested);
  profile.WriteInt("Screen", "Width", 100);
  profile.WriteInt("Screen", "Height", 40);
  EXPECT_EQ(ReadFile(nested), "[Screen]\nWidth=100\nHeight=40\n");
  EXPECT_EQ(fs::directory_iterator(nested.parent_path())->path(), nested);
  EXPECT_EQ(std::distance(fs::directory_iterator(nested.parent_path()), fs::directory_iterator()),
            1);
}

TEST_F(IniProfileTest, UnwritableLocationsAreIgnoredButTheValueHoldsForThisRun) {
  WriteFile(dir.path() / "plain-file", "x");
  IniProfile under_a_file(dir.path() / "plain-file" / "corvane.ini");
  under_a_file.WriteInt("Screen", "Width", 100);
  EXPECT_EQ(under_a_file.GetInt("Screen", "Width", 80), 100);

  fs::create_directory(file);  // the target is a directory: the rename fails
  IniProfile over_a_directory(file);
  over_a_directory.WriteInt("Screen", "Width", 100);
  EXPECT_EQ(over_a_directory.GetInt("Screen", "Width", 80), 100);
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(dir.Names().size(), 2u) << "temporary file left behind";
}

#ifndef _WIN32
// Runs `body` where permission bits apply: as root (which ignores them) in a child
// process that becomes "nobody". Returns what `body` returned.
bool AsOrdinaryUser(const std::function<bool()>& body) {
  if (geteuid() != 0) return body();
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(IniProfileTest, ReadOnlyDirectoryLeavesTheOldFileIntact) {
  const std::string old = "[Screen]\nWidth=90\n";
  WriteFile(file, old);
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read);
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                  fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  EXPECT_TRUE(AsOrdinaryUser([&] {
    IniProfile profile(file);
    if (profile.GetInt("Screen", "Width", 80) != 90) return false;
    profile.WriteInt("Screen", "Width", 100);
    return profile.GetInt("Screen", "Width", 80) == 100;
  }));
  EXPECT_EQ(ReadFile(file), old);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"corvane.ini"});
}

// In a sticky shared directory (like /tmp) the temporary file can be made but not
// renamed over another user's file: the failed replace must clean up after itself.
TEST_F(IniProfileTest, FailedRenameRemovesTheTemporaryFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs a file owned by another user";
  const std::string old = "[Screen]\nWidth=90\n";
  WriteFile(file, old);
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  fs::permissions(dir.path(), fs::perms::all | fs::perms::sticky_bit);
  EXPECT_TRUE(AsOrdinaryUser([&] {
    IniProfile profile(file);
    profile.WriteInt("Screen", "Width", 100);
    return profile.GetInt("Screen", "Width", 80) == 100;
  }));
  EXPECT_EQ(ReadFile(file), old);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"corvane.ini"});
}

TEST_F(IniProfileTest, AnUnreadableFileIsNeverReplaced) {
  const std::string old = "[Special]\nDBSize=5000\n";
  WriteFile(file, old);
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  fs::permissions(dir.path(), fs::perms::all);
  EXPECT_TRUE(AsOrdinaryUser([&] {
    IniProfile profile(file);
    profile.WriteInt("Screen", "Width", 100);
    return profile.GetInt("Screen", "Width", 80) == 100;
  }));
  EXPECT_EQ(ReadFile(file), old);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"corvane.ini"});
}

// What a write does to a file and folder with the given permissions. A file
// without its owner's write permission is read-only for everyone, root
// included, as editors treat it; a folder that takes no new file gets the
// file rewritten in place; a replacement keeps the file's mode and group.
struct PermissionCase {
  const char* name;
  const char* what;
  fs::perms file, folder;
  bool ordinaryUser;  // write as "nobody" (when run as root)
  bool otherGroup;    // the file belongs to group "nogroup" (needs root)
  bool written;
};
void PrintTo(const PermissionCase& c, std::ostream* os) { *os << c.what; }

class IniProfilePermissions : public IniProfileTest,
                              public ::testing::WithParamInterface<PermissionCase> {};

TEST_P(IniProfilePermissions, WriteRespectsTheFileAndFolder) {
  const PermissionCase& c = GetParam();
  if (c.otherGroup && geteuid() != 0) GTEST_SKIP() << "needs root to give the file another group";
  const std::string old = "[Screen]\nWidth=90\n";
  WriteFile(file, old);
  fs::permissions(file, c.file);
  if (c.otherGroup) {
    ASSERT_EQ(chown(file.c_str(), 0, 65534), 0);
  }
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  fs::permissions(dir.path(), c.folder);

  const auto write = [&] {
    IniProfile profile(file);
    bool told = false;  // a file left alone on purpose is no failure
    profile.SetOnWriteFailure([&](const std::string&) { told = true; });
    profile.WriteInt("Screen", "Width", 100);
    return profile.GetInt("Screen", "Width", 80) == 100 && !told;  // in memory it holds either way
  };
  EXPECT_TRUE(c.ordinaryUser ? AsOrdinaryUser(write) : write()) << c.what;
  fs::permissions(dir.path(), fs::perms::owner_all);

  EXPECT_EQ(ReadFile(file), c.written ? "[Screen]\nWidth=100\n" : old) << c.what;
  struct stat after {};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode, before.st_mode) << c.what;
  EXPECT_EQ(after.st_uid, before.st_uid) << c.what;
  EXPECT_EQ(after.st_gid, before.st_gid) << c.what;
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"corvane.ini"}) << c.what;
}

constexpr fs::perms kReadOnly =
    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms kFolderReadOnly =
    kReadOnly | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
constexpr fs::perms kEveryoneWrites =
    kReadOnly | fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

constexpr fs::perms kMode640 =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
constexpr fs::perms kMode664 = kReadOnly | fs::perms::owner_write | fs::perms::group_write;
constexpr fs::perms kAll = fs::perms::all;

// name, what, file, folder, ordinary user, other group, written
INSTANTIATE_TEST_SUITE_P(
    Cases, IniProfilePermissions,
    ::testing::Values(
        PermissionCase{"Mode444", "mode 444 is left untouched", kReadOnly, kAll, false, false,
                       false},
        PermissionCase{"Mode444OrdinaryUser", "mode 444 as an ordinary user", kReadOnly, kAll, true,
                       false, false},
        PermissionCase{"Mode640Kept", "mode 640 is kept", kMode640, kAll, false, false, true},
        PermissionCase{"GroupKept", "the group is kept", kMode664, kAll, false, true, true},
        PermissionCase{"ReadOnlyFolderInPlace",
                       "a writable file in a read-only folder is rewritten in place",
                       kEveryoneWrites, kFolderReadOnly, true, false, true},
        PermissionCase{"Mode444ReadOnlyFolder", "mode 444 in a read-only folder is left untouched",
                       kReadOnly, kFolderReadOnly, true, false, false}),
    [](const ::testing::TestParamInfo<PermissionCase>& info) {
      return std::string(info.param.name);
    });

TEST_F(IniProfileTest, TemporaryFilesOfDeadWritersAreRemovedAtTheNextStart) {
  const pid_t dead = fork();  // a process that is gone once reaped
  if (dead == 0) _exit(0);
  ASSERT_GT(dead, 0);
  waitpid(dead, nullptr, 0);
  const std::string gone = std::to_string(dead), alive = std::to_string(getpid());
  const struct {
    std::string name;
    bool removed;
  } files[] = {
      {".corvane.ini." + gone + ".0123456789ab.tmp", true},
      {".corvane.ini." + alive + ".0123456789ab.tmp", false},  // its writer may still finish
      {".corvane.ini.0123456789ab.tmp", false},                // no writer named
      {".corvane.ini." + gone + ".0123456789ab.tmp.bak", false},
      {".corvane.ini." + gone + ".xyz.tmp", false},
      {".other.ini." + gone + ".0123456789ab.tmp", false},
      {"corvane.ini." + gone + ".0123456789ab.tmp", false},
  };
  WriteFile(file, "[Screen]\nWidth=90\n");
  for (const auto& f : files) WriteFile(dir.path() / f.name, "left over");
  IniProfile profile(file);
  for (const auto& f : files) EXPECT_EQ(!fs::exists(dir.path() / f.name), f.removed) << f.name;
  EXPECT_EQ(profile.GetInt("Screen", "Width", 80), 90);
}

TEST_F(IniProfileTest, ReplacingKeepsPermissionsAndSymbolicLinks) {
  const fs::path real = dir.path() / "real.ini";
  WriteFile(real, "[Screen]\nWidth=90\n");
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(real, file);
  IniProfile profile(file);
  profile.WriteInt("Screen", "Width", 100);
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_EQ(ReadFile(real), "[Screen]\nWidth=100\n");
  EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

// A link is written through to its target, which need not exist yet; a
// relative target is read from the link's folder. The link itself stays.
TEST_F(IniProfileTest, WritesGoThroughSymbolicLinksEvenDanglingOnes) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> links;  // link name (in dir), target
    std::string written;                                     // what ends up holding the value
  };
  fs::create_directory(dir.path() / "sub");
  const std::vector<Case> cases = {
      {"absolute, dangling", {{"corvane.ini", (dir.path() / "real.ini").string()}}, "real.ini"},
      {"relative, dangling", {{"corvane.ini", "sub/real.ini"}}, "sub/real.ini"},
      {"a chain of two", {{"corvane.ini", "sub/hop"}, {"sub/hop", "real.ini"}}, "sub/real.ini"},
  };
  for (const Case& c : cases) {
    for (const auto& [link, target] : c.links) fs::create_symlink(target, dir.path() / link);
    {
      IniProfile profile(file);
      profile.WriteInt("Screen", "Width", 100);
    }
    EXPECT_TRUE(fs::is_symlink(file)) << c.what;
    EXPECT_EQ(ReadFile(dir.path() / c.written), "[Screen]\nWidth=100\n") << c.what;
    EXPECT_EQ(IniProfile(file).GetInt("Screen", "Width", 80), 100) << c.what;
    for (const auto& [link, target] : c.links) fs::remove(dir.path() / link);
    fs::remove(dir.path() / c.written);
  }
}

// A write that cannot be made is told, with its reason, to the failure
// callback (the window warns the user), unless it belongs to held writes.
TEST_F(IniProfileTest, FailedWritesAreToldWithTheirReason) {
  WriteFile(dir.path() / "plain-file", "x");
  fs::create_symlink(dir.path() / "missing" / "real.ini", file);
  struct Case {
    fs::path path;
    std::string reason;
  };
  for (const Case& c : {Case{dir.path() / "plain-file" / "corvane.ini", "Not a directory"},
                        Case{file, "No such file or directory"}}) {
    IniProfile profile(c.path);
    std::vector<std::string> told;
    profile.SetOnWriteFailure([&](const std::string& reason) { told.push_back(reason); });
    profile.HoldWrites();
    profile.WriteInt("Screen", "Width", 100);
    profile.ReleaseWrites();
    EXPECT_TRUE(told.empty()) << c.path;  // the start's own writes stay quiet
    profile.WriteInt("Screen", "Height", 30);
    EXPECT_EQ(told, std::vector<std::string>{c.reason}) << c.path;
    EXPECT_EQ(profile.GetInt("Screen", "Width", 80), 100) << c.path;
    EXPECT_EQ(profile.GetInt("Screen", "Height", 24), 30) << c.path;
  }
  EXPECT_FALSE(fs::exists(dir.path() / "missing"))
      << "the link's folder is not the store's to make";
  EXPECT_TRUE(fs::is_symlink(file));
}

// Takes the settings file's lock as another process would, until destroyed.
class HeldLock {
 public:
  explicit HeldLock(const fs::path& file) : path_(LockFileFor(file)) {
    fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) != 0) Release();
  }
  ~HeldLock() { Release(); }
  bool Held() const { return fd_ >= 0; }
  void Release() {
    if (fd_ < 0) return;
    unlink(path_.c_str());
    close(fd_);
    fd_ = -1;
  }

 private:
  fs::path path_;
  int fd_ = -1;
};

// Another process keeps the lock: writes wait in memory (reads see them), and
// go once it is free, or at the end after a short wait without it. None is lost.
TEST_F(IniProfileTest, WritesBehindAHeldLockWaitAndAreNeverLost) {
  WriteFile(file, "[Screen]\nWidth=90\n");
  {
    HeldLock other(file);
    ASSERT_TRUE(other.Held());
    IniProfile profile(file);
    profile.SetLockPatience(std::chrono::milliseconds(5));
    int waits = 0;
    profile.SetOnWaitingForLock([&] { ++waits; });
    profile.WriteInt("Screen", "Width", 100);
    profile.WriteInt("Screen", "Height", 30);
    EXPECT_EQ(waits, 1);
    EXPECT_TRUE(profile.WaitingForLock());
    EXPECT_EQ(ReadFile(file), "[Screen]\nWidth=90\n");
    EXPECT_EQ(profile.GetInt("Screen", "Width", 80), 100);
    profile.RetryPendingWrites();
    EXPECT_EQ(ReadFile(file), "[Screen]\nWidth=90\n");
    other.Release();
    profile.RetryPendingWrites();
    EXPECT_FALSE(profile.WaitingForLock());
    EXPECT_EQ(ReadFile(file), "[Screen]\nWidth=100\nHeight=30\n");
  }
  {
    HeldLock other(file);
    IniProfile profile(file);
    profile.SetLockPatience(std::chrono::milliseconds(5));
    profile.WriteInt("Screen", "Width", 110);
  }  // the end writes it without the lock
  EXPECT_EQ(ReadFile(file), "[Screen]\nWidth=110\nHeight=30\n");
}
#endif

#ifdef __linux__
// An editor's save that lands after the last look but before the rename: the
// exchange shows it, and it stays in place for the caller to merge into.
TEST_F(IniProfileTest, ASaveInTheLastInstantBeforeTheRenameIsKept) {
  WriteFile(file, "[Screen]\nWidth=90\n");
  const FileIdentity read = IdentityOf(file);
  int looks = 0;
  const ReplaceResult result = ReplaceFile(file, "[Screen]\nWidth=100\n", [&](const fs::path& at) {
    if (++looks == 1) {  // the last look finds the file as read; the editor saves right after
      WriteFile(dir.path() / "editor~", "[Screen]\nWidth=90\nHeight=50\n");
      fs::rename(dir.path() / "editor~", file);
      return true;
    }
    return IdentityOf(at) == read;
  });
  EXPECT_EQ(result, ReplaceResult::kTargetChanged);
  EXPECT_EQ(ReadFile(file), "[Screen]\nWidth=90\nHeight=50\n");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"corvane.ini"});
}
#endif

TEST_F(IniProfileTest, ChangesMadeByOthersAreReadAgain) {
  IniProfile profile(file);
  profile.WriteInt("Screen", "Width", 100);
  WriteFile(file, "[Screen]\nWidth=132\nHeight=50\n");  // another size
  EXPECT_EQ(profile.GetInt("Screen", "Width", 80), 132);

  // Same size, only the time differs.
  WriteFile(file, "[Screen]\nWidth=120\nHeight=50\n");
  fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(5));
  EXPECT_EQ(profile.GetInt("Screen", "Width", 80), 120);

  // A write merges into what the file now holds.
  profile.WriteInt("Screen", "Height", 60);
  EXPECT_EQ(ReadFile(file), "[Screen]\nWidth=120\nHeight=60\n");

  fs::remove(file);
  EXPECT_EQ(profile.GetInt("Screen", "Width", 80), 80);
}

TEST_F(IniProfileTest, WritingTheStoredValueAgainLeavesTheFileAlone) {
  IniProfile profile(file);
  profile.WriteInt("Screen", "Width", 100);
  const auto old_time = fs::last_write_time(file) - std::chrono::hours(1);
  fs::last_write_time(file, old_time);
  profile.WriteInt("Screen", "Width", 100);
  EXPECT_EQ(fs::last_write_time(file), old_time);
  profile.WriteInt("Screen", "Width", 101);
  EXPECT_NE(fs::last_write_time(file), old_time);
}

TEST_F(IniProfileTest, WorkerReadsWhileOtherThreadsWrite) {
  WriteFile(file, "[Special]\nDBSize=5000\nCSVDir=/data/csv\n");
  IniProfile profile(file);
  constexpr int kWrites = 40;
  std::atomic<bool> reads_ok{true}, writers_done{false};

  std::thread worker([&] {
    while (!writers_done) {
      if (profile.GetInt("Special", "DBSize", 0) != 5000 ||
          profile.GetString("Special", "CSVDir") != "/data/csv")
        reads_ok = false;
    }
  });
  std::vector<std::thread> writers;
  for (const char* section : {"Screen", "Macro"}) {
    writers.emplace_back([&profile, section] {
      for (int i = 1; i <= kWrites; ++i) profile.WriteInt(section, "K" + std::to_string(i % 5), i);
    });
  }
  for (auto& t : writers) t.join();
  writers_done = true;
  worker.join();

  EXPECT_TRUE(reads_ok);
  IniProfile fresh(file);
  for (const char* section : {"Screen", "Macro"})
    for (int k = 0; k < 5; ++k)  // the last i with i % 5 == k
      EXPECT_EQ(fresh.GetInt(section, "K" + std::to_string(k), -1), kWrites - (kWrites - k) % 5);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"corvane.ini"});
}

#ifndef _WIN32  // on Windows the file sits beside the executable
TEST(ProfilePath, FollowsTheEnvironment) {
  struct Case {
    std::map<std::string, std::string> env;
    fs::path expected;
  };
  const std::vector<Case> cases = {
      {{{"CORVANE_PROFILE", "/x/my.ini"}, {"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/u"}},
       "/x/my.ini"},
      {{{"CORVANE_PROFILE", ""}, {"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/u"}},
       "/cfg/corvane/corvane.ini"},
      {{{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/u"}}, "/home/u/.config/corvane/corvane.ini"},
      {{{"XDG_CONFIG_HOME", "relative"}, {"HOME", "/home/u"}},
       "/home/u/.config/corvane/corvane.ini"},
      {{}, "corvane.ini"},
  };
  for (const Case& c : cases) {
    const fs::path got = ProfilePathFrom([&](const char* name) -> const char* {
      const auto it = c.env.find(name);
      return it == c.env.end() ? nullptr : it->second.c_str();
    });
    EXPECT_EQ(got, c.expected);
  }
}
#endif

}  // namespace
