#include "linecheck/CatalogueReader.h"

#include <exception>
#include <optional>

namespace linecheck {
namespace {

using Traits = std::streambuf::traits_type;
constexpr int kEnd = -1;

bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// One character at a time from the stream, with room to give back any number of
// characters: a failed number must leave everything after the comma unread.
class CharReader {
 public:
  CharReader(std::streambuf& in, const std::atomic<bool>* stop) : in_(in), stop_(stop) {}

  int Get() {
    if (!givenBack_.empty()) {
      char c = givenBack_.back();
      givenBack_.pop_back();
      return static_cast<unsigned char>(c);
    }
    return Read(/*consume=*/true);
  }

  int Peek() {
    if (!givenBack_.empty()) return static_cast<unsigned char>(givenBack_.back());
    return Read(/*consume=*/false);
  }

  // The next Get returns text[0], then text[1], and so on.
  void GiveBack(const std::string& text) { givenBack_.append(text.rbegin(), text.rend()); }

  void SkipSpace() {
    while (IsSpace(Peek())) Get();
  }

 private:
  // A read error (a file stream throws one when the "file" is a directory, for
  // instance) ends the input like the end of the file: what was read stays.
  int Read(bool consume) {
    if (failed_) return kEnd;
    // The flag is looked at once per block of characters: cheap, and still
    // within microseconds of being set.
    if (stop_ != nullptr && ++sinceStopCheck_ >= kStopCheckInterval) {
      sinceStopCheck_ = 0;
      if (stop_->load(std::memory_order_relaxed)) {
        failed_ = true;
        return kEnd;
      }
    }
    Traits::int_type c;
    try {
      c = consume ? in_.sbumpc() : in_.sgetc();
    } catch (const std::exception&) {
      failed_ = true;
      return kEnd;
    }
    if (Traits::eq_int_type(c, Traits::eof())) return kEnd;
    return static_cast<unsigned char>(Traits::to_char_type(c));
  }

  static constexpr unsigned kStopCheckInterval = 4096;

  std::streambuf& in_;
  const std::atomic<bool>* stop_;
  unsigned sinceStopCheck_ = 0;
  bool failed_ = false;
  std::string givenBack_;  // stored last-first
};

std::optional<std::uint32_t> ReadNumber(CharReader& in) {
  std::string taken;
  while (IsSpace(in.Peek())) taken.push_back(static_cast<char>(in.Get()));
  bool negative = false;
  if (in.Peek() == '+' || in.Peek() == '-') {
    negative = in.Peek() == '-';
    taken.push_back(static_cast<char>(in.Get()));
  }
  if (!IsDigit(in.Peek())) {
    in.GiveBack(taken);
    return std::nullopt;
  }
  // Unsigned arithmetic wraps modulo 2^32: sizes up to 4294967295 survive and
  // an overlong number cannot overflow.
  std::uint32_t value = 0;
  while (IsDigit(in.Peek())) value = value * 10u + static_cast<std::uint32_t>(in.Get() - '0');
  return negative ? 0u - value : value;
}

}  // namespace

void ReadCatalogue(std::streambuf& in, const std::function<bool(const CatalogueRecord&)>& onRecord,
                   const std::atomic<bool>* stop) {
  CharReader reader(in, stop);
  std::uint32_t previousNumber = 0;
  for (;;) {
    CatalogueRecord record;
    int c;
    while ((c = reader.Get()) != kEnd && c != ',' && c != '\\') {
      if (record.name.size() < kMaxNameLength) record.name.push_back(static_cast<char>(c));
    }
    if (c == kEnd) return;  // an unfinished name is dropped

    if (c == ',') {
      if (std::optional<std::uint32_t> number = ReadNumber(reader)) {
        previousNumber = *number;
        reader.SkipSpace();
      }
      record.number = previousNumber;
    } else {
      record.directory = true;
      reader.SkipSpace();
    }
    if (!onRecord(record)) return;
  }
}

}  // namespace linecheck
