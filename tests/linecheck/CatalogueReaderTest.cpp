#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "linecheck/CatalogueReader.h"

using linecheck::CatalogueRecord;
using linecheck::ReadCatalogue;

namespace {

struct Rec {
  std::string name;
  std::uint32_t number;
  bool directory;
  bool operator==(const Rec&) const = default;
};

void PrintTo(const Rec& r, std::ostream* os) {
  *os << "{\"" << r.name << "\", " << r.number << (r.directory ? ", dir}" : "}");
}

std::vector<Rec> Read(const std::string& input) {
  std::stringbuf in(input);
  std::vector<Rec> out;
  ReadCatalogue(in, [&](const CatalogueRecord& r) {
    out.push_back({r.name, r.number, r.directory});
    return true;
  });
  return out;
}

struct Case {
  const char* what;
  std::string input;
  std::vector<Rec> expected;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class CatalogueRecords : public testing::TestWithParam<Case> {};

TEST_P(CatalogueRecords, ReadAsExpected) {
  EXPECT_EQ(Read(GetParam().input), GetParam().expected) << GetParam().what;
}

const Case kRecordCases[] = {
    {"empty file", "", {}},
    {"comma records", "a.txt,1\nb.txt,22\n", {{"a.txt", 1, false}, {"b.txt", 22, false}}},
    {"directory record then file",
     "games\\\nfile,1234\n",
     {{"games", 0, true}, {"file", 1234, false}}},
    {"white space after backslash skipped", "a\\  \n\t\n b,1", {{"a", 0, true}, {"b", 1, false}}},
    {"trailing spaces of a name kept", "name  ,5\n", {{"name  ", 5, false}}},
    {"leading spaces kept in the first record only",
     "  first,5\n   next,6\n",
     {{"  first", 5, false}, {"next", 6, false}}},
    {"a record may span lines", "multi\nline,3\n", {{"multi\nline", 3, false}}},
    {"text after the last record ignored", "a,5\ntrailing text", {{"a", 5, false}}},
    {"no trailing newline", "a,5", {{"a", 5, false}}},
    {"unfinished name after a directory dropped", "d\\\nx", {{"d", 0, true}}},
    {"carriage returns skipped between records",
     "a,1\r\nb,2\r\n",
     {{"a", 1, false}, {"b", 2, false}}},
    {"empty name", ",5\n", {{"", 5, false}}},
    {"a comma right after a number starts an empty name",
     "a,5,6",
     {{"a", 5, false}, {"", 6, false}}},
    {"byte 0xFF is data, not the end",
     "\xff,3\n\xff\xfe,4",
     {{"\xff", 3, false}, {"\xff\xfe", 4, false}}},
    {"NUL bytes are data", std::string("a\0b,3", 5), {{std::string("a\0b", 3), 3, false}}},
};
INSTANTIATE_TEST_SUITE_P(Records, CatalogueRecords, testing::ValuesIn(kRecordCases));

class CatalogueNumbers : public testing::TestWithParam<Case> {};

TEST_P(CatalogueNumbers, ReadAsExpected) {
  EXPECT_EQ(Read(GetParam().input), GetParam().expected) << GetParam().what;
}

const Case kNumberCases[] = {
    {"minus one wraps", "x,-1\n", {{"x", 4294967295u, false}}},
    {"other negatives wrap", "x,-1234\n", {{"x", 4294966062u, false}}},
    {"plus sign", "x,+7\n", {{"x", 7, false}}},
    {"white space and line feeds before the number",
     "x,  \n\t 42\ny,1",
     {{"x", 42, false}, {"y", 1, false}}},
    {"largest unsigned value survives", "x,4294967295", {{"x", 4294967295u, false}}},
    {"sizes above 2^31 survive", "x,3000000000", {{"x", 3000000000u, false}}},
    {"overlong numbers wrap modulo 2^32",
     "x,4294967296\ny,99999999999999999999\n",
     {{"x", 0, false}, {"y", 1661992959u, false}}},
    {"missing number takes the previous one, rest begins the next name",
     "a,5\nb,xyz,9\n",
     {{"a", 5, false}, {"b", 5, false}, {"xyz", 9, false}}},
    {"missing number in the first comma record is 0", "a,b,3", {{"a", 0, false}, {"b", 3, false}}},
    {"a failed number consumes nothing, not even white space",
     "a,\nb,3",
     {{"a", 0, false}, {"\nb", 3, false}}},
    {"a lone sign is given back",
     "a,2\nb,-x,4",
     {{"a", 2, false}, {"b", 2, false}, {"-x", 4, false}}},
    {"comma at the end of the file", "a,8\nb,", {{"a", 8, false}, {"b", 8, false}}},
    {"a directory record does not change the previous number",
     "a,8\nd\\\nb,",
     {{"a", 8, false}, {"d", 0, true}, {"b", 8, false}}},
};
INSTANTIATE_TEST_SUITE_P(Numbers, CatalogueNumbers, testing::ValuesIn(kNumberCases));

TEST(CatalogueReader, StopsWhenTheReceiverIsFull) {
  std::stringbuf in("a,1\nb,2\nc,3\n");
  std::vector<std::string> names;
  ReadCatalogue(in, [&](const CatalogueRecord& r) {
    names.push_back(r.name);
    return names.size() < 2;
  });
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
}

TEST(CatalogueReader, HugeNameIsCappedAndTheRecordStillRead) {
  std::string input(3 * 1024 * 1024, 'x');
  input += ",17\nnext,2\n";
  std::vector<Rec> records = Read(input);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name.size(), linecheck::kMaxNameLength);
  EXPECT_EQ(records[0].number, 17u);
  EXPECT_EQ(records[1], (Rec{"next", 2, false}));
}

TEST(CatalogueReader, BinaryGarbageEndsOneRecordPerSeparator) {
  std::mt19937 random(1234);
  std::string input(1 << 20, '\0');
  for (char& c : input) c = static_cast<char>(random());
  std::size_t separators = 0;
  for (char c : input) separators += (c == ',' || c == '\\');
  std::vector<Rec> records = Read(input);
  EXPECT_EQ(records.size(), separators);  // numbers never swallow a separator
  for (const Rec& r : records) EXPECT_LE(r.name.size(), linecheck::kMaxNameLength);
}

}  // namespace
