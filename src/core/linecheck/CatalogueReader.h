#pragma once
// Reads one catalogue file: a stream of records, each a name ended by "," (a
// name with a size after it) or by "\" (a directory whose listing follows).
#include <atomic>
#include <cstdint>
#include <functional>
#include <streambuf>
#include <string>

namespace linecheck {

struct CatalogueRecord {
  std::string name;
  std::uint32_t number = 0;  // 0 for a directory record
  bool directory = false;    // ended by a backslash
};

// Names longer than this can never be found in a screen row (at most 255
// columns); the rest of such a name is read and dropped so a file without
// separators cannot exhaust memory.
inline constexpr std::size_t kMaxNameLength = 4096;

// Calls `onRecord` for every complete record in file order and stops early when
// it returns false. Rules:
//  - a name is every byte up to "," or "\" (white space and line feeds included);
//  - after ",": white space, an optional sign and decimal digits; the value is
//    kept modulo 2^32 (so -1 is 4294967295), then all white space is skipped.
//    Without digits nothing is consumed and the record takes the number of the
//    previous comma record of this file, 0 when there was none;
//  - after "\": all white space is skipped;
//  - a name cut short by the end of the input is dropped.
// When `stop` is given and becomes true, reading ends soon after, as at the end
// of the input: an input that never ends (a device, a huge file) can be abandoned.
void ReadCatalogue(std::streambuf& in, const std::function<bool(const CatalogueRecord&)>& onRecord,
                   const std::atomic<bool>* stop = nullptr);

}  // namespace linecheck
