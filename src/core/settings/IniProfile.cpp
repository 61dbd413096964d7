#include "settings/IniProfile.h"

#include <climits>
#include <cstdio>
#include <string_view>
#include <system_error>
#include <utility>

#include "settings/AtomicFile.h"
#include "settings/FileLock.h"

namespace fs = std::filesystem;

namespace {

// The characters the Windows profile strips around names and values.
constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// What one line of the file means to the store.
struct ParsedLine {
  enum class Kind { kOther, kSection, kKey } kind = Kind::kOther;
  std::string_view name;        // section or key name, trimmed
  std::size_t value_begin = 0;  // the trimmed value's place in the line (keys only)
  std::size_t value_end = 0;
};

ParsedLine Parse(std::string_view line) {
  ParsedLine parsed;
  const std::string_view text = Trim(line);
  if (text.empty() || text.front() == ';') return parsed;
  if (text.front() == '[') {
    const auto close = text.find(']');
    if (close == std::string_view::npos) return parsed;  // not a header; leaves the section as is
    parsed.kind = ParsedLine::Kind::kSection;
    parsed.name = Trim(text.substr(1, close - 1));
    return parsed;
  }
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return parsed;
  parsed.kind = ParsedLine::Kind::kKey;
  parsed.name = Trim(line.substr(0, equals));
  // An empty value sits right after '=', so blanks that follow it stay where they are.
  const std::string_view after = line.substr(equals + 1);
  const auto first = after.find_first_not_of(kBlanks);
  parsed.value_begin = parsed.value_end = equals + 1;
  if (first != std::string_view::npos) {
    parsed.value_begin = equals + 1 + first;
    parsed.value_end = equals + 1 + after.find_last_not_of(kBlanks) + 1;
  }
  return parsed;
}

// The stored text as the program sees it: without one pair of matching quotes.
std::string Decode(std::string_view stored) {
  if (stored.size() >= 2 && IsQuote(stored.front()) && stored.back() == stored.front())
    stored = stored.substr(1, stored.size() - 2);
  return std::string(stored);
}

// A line break inside a value would split it into lines of its own (and could forge
// other keys), so each becomes a blank.
std::string WithoutLineBreaks(std::string value) {
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  return value;
}

// Quotes a value that would otherwise lose surrounding blanks or its own quotes on reading.
std::string Encode(const std::string& value) {
  const bool needs_quotes =
      !value.empty() &&
      (kBlanks.find(value.front()) != std::string_view::npos ||
       kBlanks.find(value.back()) != std::string_view::npos ||
       (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()));
  return needs_quotes ? '"' + value + '"' : value;
}

// Optional sign and leading decimal digits, like atoi; anything else ends the number.
// Out-of-range numbers are clamped instead of being undefined.
int ParseInt(std::string_view text) {
  text = Trim(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative) return static_cast<int>(-magnitude);
  return static_cast<int>(magnitude > INT_MAX ? INT_MAX : magnitude);
}

// Names that can be written and found again: no line breaks, nothing that would
// make the line parse as something else.
bool IsStorable(std::string_view section, std::string_view key) {
  if (section.empty() || key.empty()) return false;
  if (Trim(section) != section || Trim(key) != key) return false;
  if (section.find_first_of("\r\n]") != std::string_view::npos) return false;
  if (key.find_first_of("\r\n=") != std::string_view::npos) return false;
  return key.front() != ';' && key.front() != '[';
}

}  // namespace

// --- IniProfile ----------------------------------------------------------------------

namespace {

// How often one write merges into a file replaced under it before it gives up
// for now (its change stays pending and goes with the next write).
constexpr int kMergeAttempts = 8;

}  // namespace

IniProfile::IniProfile(fs::path path) : path_(std::move(path)) {
  // Writers killed while replacing the file leave their temporary files.
  RemoveAbandonedTempFiles(Target());
}

IniProfile::~IniProfile() { FlushPendingWrites(kFinalLockPatience); }

void IniProfile::SetLockPatience(std::chrono::milliseconds patience) {
  std::lock_guard lock(mutex_);
  lockPatience_ = patience;
}

void IniProfile::SetOnWaitingForLock(std::function<void()> callback) {
  std::lock_guard lock(mutex_);
  onWaitingForLock_ = std::move(callback);
}

void IniProfile::SetOnWriteFailure(std::function<void(const std::string&)> callback) {
  std::lock_guard lock(mutex_);
  onWriteFailure_ = std::move(callback);
}

bool IniProfile::WaitingForLock() {
  std::lock_guard lock(mutex_);
  return waitingForLock_;
}

void IniProfile::RetryPendingWrites() {
  std::lock_guard lock(mutex_);
  if (!waitingForLock_ || holds_ > 0) return;
  ReloadIfChanged();
  Save(Target(), lockPatience_);
}

void IniProfile::FlushPendingWrites(std::chrono::milliseconds patience) {
  std::lock_guard lock(mutex_);
  if (pending_.empty() || !waitingForLock_) return;
  ReloadIfChanged();
  Save(Target(), patience, LockUse::kWaitThenGoAhead);
}

void IniProfile::HoldWrites() {
  std::lock_guard lock(mutex_);
  ++holds_;
}

void IniProfile::ReleaseWrites() {
  std::lock_guard lock(mutex_);
  if (holds_ == 0 || --holds_ > 0 || pending_.empty()) return;
  ReloadIfChanged();
  quiet_ = true;
  Save(Target(), lockPatience_);
  quiet_ = false;
}

void IniProfile::Failed(const std::string& reason) {
  if (!quiet_ && onWriteFailure_) onWriteFailure_(reason);
}

int IniProfile::GetInt(const std::string& section, const std::string& key, int def) {
  std::lock_guard lock(mutex_);
  ReloadIfChanged();
  const auto value = Find(section, key);
  // An empty value counts as absent, as in the Windows profile.
  return value && !value->empty() ? ParseInt(*value) : def;
}

std::string IniProfile::GetString(const std::string& section, const std::string& key,
                                  const std::string& def) {
  std::lock_guard lock(mutex_);
  ReloadIfChanged();
  return Find(section, key).value_or(def);
}

void IniProfile::WriteInt(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniProfile::WriteString(const std::string& section, const std::string& key,
                             const std::string& value) {
  if (!IsStorable(section, key)) return;
  std::lock_guard lock(mutex_);
  ReloadIfChanged();
  const std::string clean = WithoutLineBreaks(value);
  // Rewriting what is already on the disk would change nothing but the file's time.
  if (pending_.empty() && Find(section, key) == clean) return;

  const auto same_key = [&](const Write& w) {
    return EqualsIgnoringCase(w.section, section) && EqualsIgnoringCase(w.key, key);
  };
  std::erase_if(pending_, same_key);
  pending_.push_back({section, key, clean});
  Store(section, key, clean);
  if (holds_ == 0) Save(Target(), lockPatience_);
}

fs::path IniProfile::Target() const {
  // Replace the file a symbolic link points to, not the link itself, even when
  // that file does not exist yet; a relative link is read from its own folder.
  constexpr int kMostLinks = 40;  // as the system follows them; a loop stays a link
  fs::path target = path_;
  std::error_code ec;
  for (int hop = 0; hop < kMostLinks && fs::is_symlink(target, ec); ++hop) {
    const fs::path next = fs::read_symlink(target, ec);
    if (ec || next.empty()) return path_;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return fs::is_symlink(target, ec) ? path_ : target;
}

void IniProfile::ReloadIfChanged() {
  const FileIdentity now = IdentityOf(path_);
  if (!loaded_ || *loaded_ != now) Reload(now);
}

void IniProfile::Reload(const FileIdentity& identity) {
  Load(identity);
  for (const Write& w : pending_) Store(w.section, w.key, w.value);
}

void IniProfile::Load(const FileIdentity& identity) {
  // The identity is taken before reading: a change made while reading shows up next time.
  loaded_ = identity;
  lines_.clear();
  byte_order_mark_.clear();
  line_end_.clear();
  final_newline_ = true;
  readable_ = true;
  if (!identity.exists) return;

  std::string content;
  if (!ReadWholeFile(path_, content)) {
    readable_ = false;  // present but unreadable: writing now would destroy what it holds
    return;
  }

  std::string_view rest = content;
  if (rest.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    byte_order_mark_ = kUtf8Mark;
    rest.remove_prefix(kUtf8Mark.size());
  }
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    if (end == std::string_view::npos) {
      lines_.emplace_back(rest);
      final_newline_ = false;
      break;
    }
    lines_.emplace_back(rest.substr(0, end));
    rest.remove_prefix(end + 1);
  }
  if (!lines_.empty() && (final_newline_ || lines_.size() > 1) && !lines_.front().empty() &&
      lines_.front().back() == '\r') {
    line_end_.assign(1, '\r');  // not = "\r": GCC 12 -Wrestrict misfires on it
  }
}

std::optional<std::string> IniProfile::Find(const std::string& section,
                                            const std::string& key) const {
  bool in_section = false;
  for (const std::string& line : lines_) {
    const ParsedLine parsed = Parse(line);
    if (parsed.kind == ParsedLine::Kind::kSection) {
      in_section = EqualsIgnoringCase(parsed.name, section);
    } else if (in_section && parsed.kind == ParsedLine::Kind::kKey &&
               EqualsIgnoringCase(parsed.name, key)) {
      const std::string_view view = line;
      return Decode(view.substr(parsed.value_begin, parsed.value_end - parsed.value_begin));
    }
  }
  return std::nullopt;
}

void IniProfile::Store(const std::string& section, const std::string& key,
                       const std::string& value) {
  const std::string encoded = Encode(value);
  // The first line of the sections of that name that holds the key is updated;
  // a new key goes after the last key of the first such section.
  std::optional<std::size_t> first_section, insert_after;
  bool in_section = false, in_first_section = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const ParsedLine parsed = Parse(lines_[i]);
    if (parsed.kind == ParsedLine::Kind::kSection) {
      in_section = EqualsIgnoringCase(parsed.name, section);
      in_first_section = in_section && !first_section;
      if (in_first_section) first_section = insert_after = i;
      continue;
    }
    if (!in_section || parsed.kind != ParsedLine::Kind::kKey) continue;
    if (EqualsIgnoringCase(parsed.name, key)) {
      std::string& line = lines_[i];
      line.replace(parsed.value_begin, parsed.value_end - parsed.value_begin, encoded);
      return;
    }
    if (in_first_section) insert_after = i;
  }

  const std::string key_line = key + "=" + encoded + line_end_;
  if (first_section) {
    InsertLine(*insert_after + 1, key_line);
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back()).empty()) InsertLine(lines_.size(), line_end_);
  InsertLine(lines_.size(), "[" + section + "]" + line_end_);
  InsertLine(lines_.size(), key_line);
}

void IniProfile::InsertLine(std::size_t index, std::string text) {
  // A line added after an unterminated last line first ends that line.
  if (index == lines_.size()) final_newline_ = true;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), std::move(text));
}

std::string IniProfile::Serialise() const {
  std::string out = byte_order_mark_;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i];
    if (i + 1 < lines_.size() || final_newline_) out += '\n';
  }
  return out;
}

void IniProfile::Save(const fs::path& target, std::chrono::milliseconds patience, LockUse use) {
  // A file that could not be read, or that its owner made read-only, stays as it is.
  if (!readable_ || IsReadOnlyForUs(target)) return;
  // The folder a symbolic link leads into is the link's business: it is never made here.
  std::error_code ec;
  if (target != path_ && !target.parent_path().empty() &&
      !fs::is_directory(target.parent_path(), ec)) {
    Failed(std::make_error_code(std::errc::no_such_file_or_directory).message());
    return;
  }
  const FileLock file_lock(LockFileFor(target), patience);
  if (file_lock.Busy() && use == LockUse::kWait) {
    // Another process keeps the lock: the change waits in pending_.
    const bool news = !waitingForLock_;
    waitingForLock_ = true;
    if (news && onWaitingForLock_) onWaitingForLock_();
    return;
  }
  waitingForLock_ = false;
  ReloadIfChanged();  // another store may have written while we waited for the lock
  if (!readable_) return;
  for (int attempt = 0; attempt < kMergeAttempts; ++attempt) {
    const FileIdentity expected = *loaded_;
    FileIdentity written;
    std::error_code error;
    const ReplaceResult result = ReplaceFile(
        target, Serialise(), [&](const fs::path& file) { return IdentityOf(file) == expected; },
        &written, &error);
    if (result == ReplaceResult::kFailed) {
      Failed(error.message());
      return;
    }
    if (result == ReplaceResult::kReplaced) {
      pending_.clear();
      loaded_ = written;
      return;
    }
    // Someone else saved the file meanwhile: merge into what they wrote.
    Reload(IdentityOf(path_));
    if (!readable_) return;
  }
}
