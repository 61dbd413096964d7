#pragma once
// The screen line check: marks, in the rows of the live screen, every catalogue
// name that occurs there and the decimal digits of that entry's number.
//
// Everything here is free of threads and locks. The caller owns the screen and
// its lock; it can either lock around CheckRow per row, or implement Screen so
// that the lock is held only while a row is copied and while it is marked, and
// the searching runs unlocked (CheckScreen).
#include <cstdint>
#include <string>
#include <vector>

#include "linecheck/CatalogueText.h"
#include "linecheck/LineCheckDatabase.h"

namespace linecheck {

inline constexpr const char* kLoadingDatabaseText = "Loading database...";

// Bold, not reversed, foreground colour index `color` & 7, background index 0.
std::uint8_t MarkAttribute(int color);

// "Checking line <line> of <total>..."
std::string ProgressText(int line, int total);

// Columns [column, column + length) of a row to be marked.
struct Span {
  std::size_t column = 0;
  std::size_t length = 0;
  bool operator==(const Span&) const = default;
};

// What to mark in one row. The row is compared with trailing white space removed
// and upper-cased. Entries are taken in order up to the first empty name; an
// entry with number 0 is never marked. For an entry whose name occurs, the first
// occurrence of the name is marked, then the first occurrence anywhere in the
// row of its number written in decimal. Several entries may mark one row.
std::vector<Span> FindMarks(const std::string& rowText, const LineCheckDatabase& db);

// Writes `mark` into the attribute bytes under `spans`, never past the end of
// `attrs`. True when there was anything to mark (the row needs redrawing).
bool ApplyMarks(std::string& attrs, const std::vector<Span>& spans, std::uint8_t mark);

// FindMarks then ApplyMarks on one row held by the caller.
bool CheckRow(const std::string& text, std::string& attrs, const LineCheckDatabase& db,
              std::uint8_t mark);

// The live screen as the check sees it. Each call is a short, self-contained
// step, so an implementation can take its screen lock inside each one.
class Screen {
 public:
  virtual ~Screen() = default;
  // The current number of rows; asked again before every row, so a screen made
  // smaller during the check ends it early.
  virtual int RowCount() = 0;
  // Copies row `row`'s characters into `text`; false when the row no longer exists.
  virtual bool ReadRow(int row, std::string& text) = 0;
  // Marks `spans` of row `row` (found in `text`, the copy ReadRow gave) with
  // `mark`, flags the row for redrawing and draws. Only called when there is
  // something to mark. An implementation should check that the row still exists
  // and still holds `text`, since the host may have rewritten it meanwhile.
  virtual void MarkRow(int row, const std::string& text, const std::vector<Span>& spans,
                       std::uint8_t mark) = 0;
};

// Checks every row from the top: progress text for the row through `progress`,
// then ReadRow, FindMarks (no screen access) and, when something matched, MarkRow.
void CheckScreen(Screen& screen, const LineCheckDatabase& db, std::uint8_t mark,
                 const TextSink& progress);

// CheckScreen over rows held in memory (rows beyond the shorter vector are not
// checked). Returns the indexes of the rows that were marked, in order.
std::vector<int> CheckRows(const std::vector<std::string>& text, std::vector<std::string>& attrs,
                           const LineCheckDatabase& db, std::uint8_t mark,
                           const TextSink& progress);

}  // namespace linecheck
