// libFuzzer target: the INI settings store. The input is a profile file followed
// by a script of reads and writes; every write is checked against the store's
// promises:
//  - a value written reads back as written (line breaks turned into blanks, the
//    one neutralisation the store documents), in this store and in a new one
//    that loads the saved file;
//  - a write that the store refuses (names it could not find again) leaves the
//    file and the value alone;
//  - every line the write did not change is kept byte for byte: the saved file
//    differs from the old one by one replaced line or a few inserted ones;
//  - no other key changes its value;
//  - writing the same value again, or writing back a text just read, leaves
//    the file untouched (same inode, same time); so does reading.
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzTempDir.h"
#include "settings/IniProfile.h"

namespace {

constexpr const char* kSections[] = {"Options",          "Screen",  "Font",    "Color", "Macro",
                                     "Recent Host List", "Special", "options", "SCREEN"};
constexpr const char* kKeys[] = {
    "SaveWinPosition", "Width",  "Height", "BufferSize", "Name",  "F1",    "F12",
    "Host1",           "Port10", "Desc3",  "DBSize",     "CDDir", "width", "NAME"};

[[noreturn]] void Fail(const char* what, const std::string& section, const std::string& key) {
  std::fprintf(stderr, "settings store: %s ([%s] %s)\n", what, section.c_str(), key.c_str());
  std::abort();
}

template <std::size_t N>
std::string OneOf(FuzzedDataProvider& in, const char* const (&names)[N]) {
  return names[in.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

// A name Corvane uses, any short byte string, or one fixed name (so that
// scripts often meet the same key again).
std::string PickName(FuzzedDataProvider& in, bool section) {
  switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0:
      return section ? OneOf(in, kSections) : OneOf(in, kKeys);
    case 1:
      return in.ConsumeRandomLengthString(24);
    default:
      return section ? "s" : "k";
  }
}

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Fold(x) == Fold(y); });
}

std::string WithoutLineBreaks(std::string value) {
  std::replace(value.begin(), value.end(), '\r', ' ');
  std::replace(value.begin(), value.end(), '\n', ' ');
  return value;
}

// The file's lines after its optional UTF-8 mark; the last line's missing line
// feed is not a difference, so lines are compared without their '\n'.
std::pair<std::string, std::vector<std::string>> Lines(const std::string& file) {
  std::string_view rest = file;
  std::string mark;
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
    mark = "\xEF\xBB\xBF";
    rest.remove_prefix(3);
  }
  std::vector<std::string> lines;
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    lines.emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return {mark, lines};
}

// One write changes one line in place, or inserts at most three (a blank line,
// a section header, the key) in one place; everything else stays as it was.
bool OnlyOnePlaceChanged(const std::string& before, const std::string& after) {
  const auto [markBefore, old] = Lines(before);
  const auto [markAfter, now] = Lines(after);
  if (markBefore != markAfter) return false;
  std::size_t prefix = 0;
  while (prefix < old.size() && prefix < now.size() && old[prefix] == now[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < old.size() - prefix && suffix < now.size() - prefix &&
         old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
    ++suffix;
  const std::size_t removed = old.size() - prefix - suffix;
  const std::size_t added = now.size() - prefix - suffix;
  return removed <= 1 && added <= 3 && (removed == 0 || added == 1);
}

// What GetString gives for a key the store does not hold.
const std::string kAbsent = "<absent>\x01";

// The file as the disk knows it: a replaced file has a new inode, a rewritten
// one a new modification time, even when the bytes are the same.
std::string Identity(const std::filesystem::path& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return "missing";
  return std::to_string(st.st_ino) + "/" + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec);
}

struct Probe {
  std::string section, key, value;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path path = FuzzTempDir() / "corvane.ini";
  FuzzedDataProvider in(data, size);
  WriteFuzzFile(path, in.ConsumeRandomLengthString(size));

  IniProfile store(path);
  std::vector<Probe> probes;  // every text read so far, to see that writes leave it alone
  for (int op = 0; op < 48 && in.remaining_bytes() > 0; ++op) {
    const std::string section = PickName(in, true);
    const std::string key = PickName(in, false);
    const std::string before = ReadFuzzFile(path);
    const std::string identityBefore = Identity(path);
    const std::string old = store.GetString(section, key, kAbsent);
    const int kind = in.ConsumeIntegralInRange(0, 3);
    if (kind == 0) {  // reads of both kinds
      store.GetInt(section, key, in.ConsumeIntegral<int>());
      if (probes.size() < 32) probes.push_back({section, key, old});
      if (Identity(path) != identityBefore) Fail("reading touched the file", section, key);
      continue;
    }
    std::string value;
    if (kind == 1) {
      value = std::to_string(in.ConsumeIntegral<int>());
      store.WriteInt(section, key, std::stoi(value));
    } else if (kind == 2) {
      value = in.ConsumeRandomLengthString(64);
      store.WriteString(section, key, value);
    } else {  // write back the text just read (absent: a plain word)
      value = old == kAbsent ? "word" : old;
      store.WriteString(section, key, value);
      if (old == value && value.find('\r') == std::string::npos && Identity(path) != identityBefore)
        Fail("writing back the text read touched the file", section, key);
    }
    const std::string after = ReadFuzzFile(path);
    const std::string expected = WithoutLineBreaks(value);
    const std::string got = store.GetString(section, key, kAbsent);
    const bool refused = got == old && after == before;
    if (got != expected && !refused) Fail("the value written does not read back", section, key);
    if (!OnlyOnePlaceChanged(before, after))
      Fail("lines the write did not touch changed", section, key);
    if (IniProfile(path).GetString(section, key, kAbsent) != got)
      Fail("a new store reads another value from the saved file", section, key);

    const std::string identityAfter = Identity(path);
    if (kind == 2)
      store.WriteString(section, key, value);
    else if (kind == 1)
      store.WriteInt(section, key, std::stoi(value));
    if (Identity(path) != identityAfter)
      Fail("the same write again touched the file", section, key);

    for (Probe& probe : probes) {
      if (SameName(probe.section, section) && SameName(probe.key, key)) {
        probe.value = got;
        continue;
      }
      if (store.GetString(probe.section, probe.key, kAbsent) != probe.value)
        Fail("a write changed another key", probe.section, probe.key);
    }
  }
  return 0;
}
