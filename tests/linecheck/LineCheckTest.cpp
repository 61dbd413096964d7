#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "MemoryProfile.h"
#include "TempDir.h"
#include "linecheck/LineCheck.h"

namespace {

constexpr char kBlank = 0x1C;

// A database holding exactly the records of one catalogue text.
class Catalogue {
 public:
  explicit Catalogue(const std::string& records) {
    dir_.Write("csv/cd0.csv", records);
    LineCheckSettings settings;
    settings.dbSize = 100;
    settings.cdDir = dir_.MakeDir("cd");
    settings.csvDir = dir_ / "csv";
    db_ = std::make_unique<LineCheckDatabase>(settings);
  }
  const LineCheckDatabase& db() const { return *db_; }

 private:
  TempDir dir_;
  std::unique_ptr<LineCheckDatabase> db_;
};

// Renders attribute bytes as '#' for the mark and '.' for anything else.
std::string MarksOf(const std::string& attrs, std::uint8_t mark) {
  std::string out;
  for (char a : attrs) out += static_cast<std::uint8_t>(a) == mark ? '#' : '.';
  return out;
}

TEST(LineCheckMarkAttribute, BoldForegroundFromTheLowThreeBitsOnBackgroundZero) {
  const std::pair<int, std::uint8_t> cases[] = {{0, 0x01}, {2, 0x09},  {7, 0x1D},
                                                {8, 0x01}, {10, 0x09}, {-1, 0x1D}};
  for (auto [color, attribute] : cases) {
    EXPECT_EQ(linecheck::MarkAttribute(color), attribute) << "Color " << color;
  }
}

struct MarkCase {
  const char* what;
  std::string catalogue;
  std::string row;
  std::string expected;  // '#' where the row is marked
};
void PrintTo(const MarkCase& c, std::ostream* os) { *os << c.what; }

class LineCheckMarks : public testing::TestWithParam<MarkCase> {};

TEST_P(LineCheckMarks, MarksExactlyTheExpectedColumns) {
  const MarkCase& c = GetParam();
  Catalogue catalogue(c.catalogue);
  const std::uint8_t mark = linecheck::MarkAttribute(2);
  std::string attrs(c.row.size(), kBlank);
  bool marked = linecheck::CheckRow(c.row, attrs, catalogue.db(), mark);
  EXPECT_EQ(MarksOf(attrs, mark), c.expected) << c.what;
  EXPECT_EQ(marked, c.expected.find('#') != std::string::npos) << c.what;
}

const MarkCase kMarkCases[] = {
    {"name and size", "README.TXT,1234\n", "readme.txt   1234  ", "##########...####.."},
    {"size elsewhere: only the name", "README.TXT,99\n", "readme.txt   1234  ",
     "##########........."},
    {"size found anywhere in the row", "README.TXT,99\n", "readme.txt   1299  ",
     "##########.....##.."},
    {"size before the name", "A.TXT,12\n", "12 a.txt", "##.#####"},
    {"first occurrence of the digits may lie inside the name", "FILE12.TXT,12\n", "file12.txt 12",
     "##########..."},
    {"only the first occurrence of a name", "A.TXT,5\n", "a.txt a.txt 5", "#####.......#"},
    {"number 0 is never marked", "README\\\n", "readme", "......"},
    {"digits without the name mark nothing", "README.TXT,1234\n", "1234", "...."},
    // A stray line with an empty name is not stored, so it hides nothing behind it.
    {"entries after a line with an empty name are still used", "A.TXT,5\n,7\nB.TXT,6\n",
     "a.txt b.txt 6 7", "#####.#####.#.."},
    {"an empty first name does not disable the row check", ",5\nA.TXT,5\n", "a.txt 5", "#####.#"},
    {"several entries mark one row", "A.TXT,1\nB.TXT,22\n", "b.txt 22 a.txt 1", "#####.##.#####.#"},
    {"a name's trailing blanks must be on the row before its trailing white space", "A.TXT  ,5\n",
     "a.txt     ", ".........."},
    {"a name's trailing blanks inside the row", "A.TXT  ,5\n", "a.txt  x5 ", "#######.#."},
    {"columns are kept: leading blanks stay", "A.TXT,5\n", "   a.txt 5", "...#####.#"},
    {"white-space-only row", "A.TXT,5\n", "        ", "........"},
    {"size -1 shows as 4294967295", "BIG.ISO,-1\n", "big.iso 4294967295", "#######.##########"},
    {"bytes beyond ASCII compare exactly", "\xe9T\xe9,5\n", "\xe9t\xe9 \xc9T\xc9 5", "###.....#"},
};
INSTANTIATE_TEST_SUITE_P(Rows, LineCheckMarks, testing::ValuesIn(kMarkCases));

TEST(LineCheckRow, OnlyMarkedColumnsChangeAndOldMarksStay) {
  Catalogue catalogue("A.TXT,5\n");
  const std::uint8_t mark = linecheck::MarkAttribute(0);
  std::string attrs = "\x02\x03\x04\x05\x06\x07\x08\x09\x0A";
  std::string before = attrs;
  linecheck::CheckRow("x a.txt 9", attrs, catalogue.db(), mark);
  EXPECT_EQ(attrs, std::string("\x02\x03") + std::string(5, '\x01') + before.substr(7));
  // A second check on a changed row keeps the earlier marks.
  linecheck::CheckRow("x b.txt 9", attrs, catalogue.db(), mark);
  EXPECT_EQ(attrs, std::string("\x02\x03") + std::string(5, '\x01') + before.substr(7));
}

TEST(LineCheckRow, MarksNeverReachPastTheAttributeRow) {
  std::string attrs(4, kBlank);
  EXPECT_TRUE(linecheck::ApplyMarks(attrs, {{2, 10}, {9, 3}}, 0x01));
  EXPECT_EQ(attrs, std::string("\x1C\x1C\x01\x01"));
  EXPECT_FALSE(linecheck::ApplyMarks(attrs, {}, 0x01));
}

TEST(LineCheckRows, WalksEveryRowWithProgressAndReportsMarkedRows) {
  Catalogue catalogue("A.TXT,5\n");
  std::vector<std::string> text = {"a.txt 5   ", "          ", "b a.txt   "};
  std::vector<std::string> attrs(3, std::string(10, kBlank));
  std::vector<std::string> progress;
  std::vector<int> marked = linecheck::CheckRows(
      text, attrs, catalogue.db(), 0x01, [&](const std::string& t) { progress.push_back(t); });
  EXPECT_EQ(marked, (std::vector<int>{0, 2}));
  EXPECT_EQ(progress,
            (std::vector<std::string>{"Checking line 1 of 3...", "Checking line 2 of 3...",
                                      "Checking line 3 of 3..."}));
  EXPECT_EQ(MarksOf(attrs[0], 0x01), "#####.#...");
  EXPECT_EQ(MarksOf(attrs[1], 0x01), "..........");
  EXPECT_EQ(MarksOf(attrs[2], 0x01), "..#####...");
}

TEST(LineCheckRows, EmptyDatabaseStillWalksEveryRowAndMarksNothing) {
  LineCheckDatabase empty(LineCheckSettings{});
  std::vector<std::string> text(24, std::string(80, 'x'));
  std::vector<std::string> attrs(24, std::string(80, kBlank));
  int progressCount = 0;
  auto marked =
      linecheck::CheckRows(text, attrs, empty, 0x01, [&](const std::string&) { ++progressCount; });
  EXPECT_TRUE(marked.empty());
  EXPECT_EQ(progressCount, 24);
  EXPECT_EQ(attrs, std::vector<std::string>(24, std::string(80, kBlank)));
}

// A screen that loses rows part-way, as when the host resizes it during a check.
class ShrinkingScreen : public linecheck::Screen {
 public:
  int RowCount() override { return reads_ >= 2 ? 1 : 4; }
  bool ReadRow(int row, std::string& text) override {
    ++reads_;
    rowsRead.push_back(row);
    text = "a.txt 5";
    return true;
  }
  void MarkRow(int row, const std::string& text, const std::vector<linecheck::Span>& spans,
               std::uint8_t) override {
    EXPECT_EQ(text, "a.txt 5");
    EXPECT_EQ(spans, (std::vector<linecheck::Span>{{0, 5}, {6, 1}}));
    rowsMarked.push_back(row);
  }
  std::vector<int> rowsRead, rowsMarked;

 private:
  int reads_ = 0;
};

TEST(LineCheckScreen, RowCountIsAskedBeforeEveryRowSoAShrunkScreenEndsTheCheck) {
  Catalogue catalogue("A.TXT,5\n");
  ShrinkingScreen screen;
  std::vector<std::string> progress;
  linecheck::CheckScreen(screen, catalogue.db(), 0x01,
                         [&](const std::string& t) { progress.push_back(t); });
  EXPECT_EQ(screen.rowsRead, (std::vector<int>{0, 1}));
  EXPECT_EQ(screen.rowsMarked, (std::vector<int>{0, 1}));
  EXPECT_EQ(progress,
            (std::vector<std::string>{"Checking line 1 of 4...", "Checking line 2 of 4..."}));
}

}  // namespace
