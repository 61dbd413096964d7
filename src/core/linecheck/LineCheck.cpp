#include "linecheck/LineCheck.h"

#include <algorithm>

#include "text/Attribute.h"

namespace linecheck {

std::uint8_t MarkAttribute(int color) { return attr::Make(color & 7, 0, true); }

std::string ProgressText(int line, int total) {
  return "Checking line " + std::to_string(line) + " of " + std::to_string(total) + "...";
}

std::vector<Span> FindMarks(const std::string& rowText, const LineCheckDatabase& db) {
  std::vector<Span> spans;
  std::string row = rowText;
  TrimRight(row);
  UpperCase(row);
  if (row.empty()) return spans;

  // Names are stored upper-cased; the first empty name ends the list.
  for (std::uint32_t i = 0; !db.GetName(i).empty(); ++i) {
    std::uint32_t number = db.GetNumber(i);
    if (number == 0) continue;
    const std::string& name = db.GetName(i);
    std::size_t at = row.find(name);
    if (at == std::string::npos) continue;
    spans.push_back({at, name.size()});
    std::string digits = std::to_string(number);
    std::size_t digitsAt = row.find(digits);
    if (digitsAt != std::string::npos) spans.push_back({digitsAt, digits.size()});
  }
  return spans;
}

bool ApplyMarks(std::string& attrs, const std::vector<Span>& spans, std::uint8_t mark) {
  for (const Span& span : spans) {
    std::size_t begin = std::min(span.column, attrs.size());
    std::size_t end = begin + std::min(span.length, attrs.size() - begin);
    std::fill(attrs.begin() + static_cast<std::ptrdiff_t>(begin),
              attrs.begin() + static_cast<std::ptrdiff_t>(end), static_cast<char>(mark));
  }
  return !spans.empty();
}

bool CheckRow(const std::string& text, std::string& attrs, const LineCheckDatabase& db,
              std::uint8_t mark) {
  return ApplyMarks(attrs, FindMarks(text, db), mark);
}

void CheckScreen(Screen& screen, const LineCheckDatabase& db, std::uint8_t mark,
                 const TextSink& progress) {
  std::string text;
  for (int row = 0, total = screen.RowCount(); row < total; ++row, total = screen.RowCount()) {
    if (progress) progress(ProgressText(row + 1, total));
    if (!screen.ReadRow(row, text)) break;
    std::vector<Span> spans = FindMarks(text, db);
    if (!spans.empty()) screen.MarkRow(row, text, spans, mark);
  }
}

namespace {

class MemoryScreen : public Screen {
 public:
  MemoryScreen(const std::vector<std::string>& text, std::vector<std::string>& attrs)
      : text_(text), attrs_(attrs) {}

  int RowCount() override { return static_cast<int>(std::min(text_.size(), attrs_.size())); }
  bool ReadRow(int row, std::string& text) override {
    text = text_[static_cast<std::size_t>(row)];
    return true;
  }
  void MarkRow(int row, const std::string&, const std::vector<Span>& spans,
               std::uint8_t mark) override {
    ApplyMarks(attrs_[static_cast<std::size_t>(row)], spans, mark);
    marked.push_back(row);
  }

  std::vector<int> marked;

 private:
  const std::vector<std::string>& text_;
  std::vector<std::string>& attrs_;
};

}  // namespace

std::vector<int> CheckRows(const std::vector<std::string>& text, std::vector<std::string>& attrs,
                           const LineCheckDatabase& db, std::uint8_t mark,
                           const TextSink& progress) {
  MemoryScreen screen(text, attrs);
  CheckScreen(screen, db, mark, progress);
  return std::move(screen.marked);
}

}  // namespace linecheck
