// libFuzzer target: the catalogue reader and the line-check database loader.
//
// Input: one byte (capacity code; bit 7: also walk the default tree), then the
// catalogue text. The text is read
//  - by ReadCatalogue straight from a stream that counts every character it is
//    asked for and holds exactly the input (AddressSanitizer sees any read past
//    it), and again from a buffered string stream: both must yield the same
//    records, at most one per separator, names within kMaxNameLength and
//    together no longer than the input, never more than the receiver accepts,
//    with a number of reads linear in the input;
//  - by the database loader as cd0.csv beside a small generated tree (directories
//    named by records, a default tree with a link back up): the count never
//    exceeds the capacity and every stored name is within its cap, upper-cased.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "FuzzTempDir.h"
#include "linecheck/CatalogueReader.h"
#include "linecheck/LineCheckDatabase.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "catalogue: %s\n", what);
  std::abort();
}

// Serves the input one character per call, with no buffer of its own, so every
// character the reader looks at is counted.
class CountingBuf : public std::streambuf {
 public:
  CountingBuf(const char* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t calls = 0;

 protected:
  int_type underflow() override {
    ++calls;
    return at_ < size_ ? traits_type::to_int_type(data_[at_]) : traits_type::eof();
  }
  int_type uflow() override {
    ++calls;
    return at_ < size_ ? traits_type::to_int_type(data_[at_++]) : traits_type::eof();
  }

 private:
  const char* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

std::vector<linecheck::CatalogueRecord> Read(std::streambuf& in, std::size_t limit) {
  std::vector<linecheck::CatalogueRecord> records;
  linecheck::ReadCatalogue(in, [&](const linecheck::CatalogueRecord& record) {
    if (records.size() >= limit) Fail("a record arrived after the receiver said stop");
    records.push_back(record);
    return records.size() < limit;
  });
  return records;
}

void CheckReader(const std::string& text, std::size_t limit) {
  // An exact-size heap copy: one byte too far is a heap overflow.
  const std::unique_ptr<char[]> exact(new char[text.size() ? text.size() : 1]);
  std::copy(text.begin(), text.end(), exact.get());
  CountingBuf counting(exact.get(), text.size());
  const auto records = Read(counting, limit);
  // Each character is looked at and taken at most a few times (peek, get, a
  // handful of peeks right after a comma).
  if (counting.calls > 8 * text.size() + 16) Fail("reads not linear in the input");

  std::size_t separators = 0;
  for (const char c : text) separators += c == ',' || c == '\\';
  if (records.size() > separators) Fail("more records than separators");
  std::size_t nameBytes = 0;  // every input byte belongs to one name at most
  for (const auto& record : records) {
    nameBytes += record.name.size();
    if (record.name.size() > linecheck::kMaxNameLength) Fail("name longer than its cap");
    if (record.directory && record.number != 0) Fail("a directory record with a number");
  }

  if (nameBytes + records.size() > text.size()) Fail("names hold more bytes than the input");

  std::stringbuf buffered(text);
  const auto again = Read(buffered, limit);
  bool same = again.size() == records.size();
  for (std::size_t i = 0; same && i < records.size(); ++i)
    same = again[i].name == records[i].name && again[i].number == records[i].number &&
           again[i].directory == records[i].directory;
  if (!same) Fail("a buffered stream gives other records");
}

void Touch(const fs::path& file, std::size_t size) { WriteFuzzFile(file, std::string(size, 'x')); }

// cd/ holds the directories records may name; tree/ is the default tree.
const fs::path& Tree() {
  static const fs::path root = [] {
    const fs::path base = FuzzTempDir() / "catalogue";
    fs::create_directories(base / "csv");
    for (const char* dir :
         {"cd/Dir", "cd/dir", "cd/a b", "cd/x/y", "tree/sub/deeper", "tree/empty"})
      fs::create_directories(base / dir);
    Touch(base / "cd/Dir/one.txt", 1);
    Touch(base / "cd/Dir/long.html", 2);
    Touch(base / "cd/Dir/noext", 3);
    Touch(base / "cd/a b/readme.me", 4);
    Touch(base / "cd/x/y/z.c", 5);
    Touch(base / "tree/top.dat", 6);
    Touch(base / "tree/sub/deeper/leaf.bin", 7);
    std::error_code ec;
    fs::create_directory_symlink("..", base / "tree/sub/up", ec);
    return base;
  }();
  return root;
}

void CheckDatabase(const std::string& text, int dbSize, bool withTree) {
  const fs::path& root = Tree();
  WriteFuzzFile(root / "csv/cd0.csv", text);
  LineCheckSettings settings;
  settings.dbSize = dbSize;
  settings.cdDir = (root / "cd").string();
  settings.csvDir = (root / "csv").string();
  if (withTree) settings.defaultDir = (root / "tree").string();

  std::vector<std::string> notices;
  const LineCheckDatabase db(settings, [&](const std::string& t) { notices.push_back(t); });
  if (db.Capacity() != LineCheckDatabase::CapacityFor(dbSize)) Fail("capacity not as configured");
  if (db.Count() > db.Capacity()) Fail("more entries than the capacity");
  for (std::uint32_t i = 0; i < db.Count(); ++i) {
    const std::string& name = db.GetName(i);
    if (name.size() > linecheck::kMaxNameLength) Fail("stored name longer than its cap");
    for (const char c : name)
      if (c >= 'a' && c <= 'z') Fail("stored name not upper-cased");
  }
  if (!db.GetName(db.Count()).empty() || db.GetNumber(db.Count()) != 0)
    Fail("an entry past the last one");
  if ((db.Count() > 0) != (notices.size() == 1)) Fail("the loaded notice does not match the count");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::uint8_t code = in.ConsumeIntegral<std::uint8_t>();
  const bool withTree = (code & 0x80) != 0;
  // Small capacities reach the limit inside the text; the top codes stand for
  // the edges a hand-edited profile may hold (0, negative, large).
  static constexpr int kEdges[8] = {0, -1, -2147483647 - 1, 1, 65536, 100000, 2, 3};
  const int low = code & 0x7F;
  const int dbSize = low >= 0x78 ? kEdges[low - 0x78] : low;
  const std::string text = in.ConsumeRemainingBytesAsString();

  CheckReader(text, dbSize > 0 ? static_cast<std::size_t>(dbSize) : 1);
  CheckDatabase(text, dbSize, withTree);
  return 0;
}
