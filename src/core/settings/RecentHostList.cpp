#include "settings/RecentHostList.h"

#include <utility>

#include "settings/ProfileKeys.h"

namespace {

std::string HostAndPort(const RecentHost& entry) {
  return entry.host + ":" + std::to_string(entry.port);
}

std::string EntryLine(const RecentHost& entry) {
  if (entry.description.empty()) return HostAndPort(entry);
  return entry.description + " (" + HostAndPort(entry) + ")";
}

// A menu text treats '&' as the mnemonic marker; double it so a host that
// contains one is shown as stored.
std::string MenuLiteral(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '&') out += '&';
    out += c;
  }
  return out;
}

}  // namespace

void RecentHostList::Load(Profile& profile) {
  for (int slot = 0; slot < kSlots; ++slot) {
    const int number = slot + 1;
    RecentHost& entry = slots_[static_cast<std::size_t>(slot)];
    entry.host = keys::RecentHost.Read(profile, number);
    // Stored as the profile's signed integer; the cast undoes Store's.
    entry.port = static_cast<unsigned>(keys::RecentPort.Read(profile, number));
    entry.description = keys::RecentDesc.Read(profile, number);
  }
}

void RecentHostList::Remember(Profile& profile, const RecentHost& entry) {
  // Carry the entry down the list, swapping it with each slot in turn, until
  // it meets itself again in slot 0 (it was in the list and has moved up) or
  // the carried entry is an empty slot (the list has grown by one). Running
  // off the end drops what was in slot 9.
  Load(profile);
  RecentHost carried = entry;
  for (int slot = 0; slot < kSlots; ++slot) {
    if (carried == slots_[0] || carried.host.empty()) return;
    std::swap(carried, slots_[static_cast<std::size_t>(slot)]);
    Store(profile, slot);
  }
}

bool RecentHostList::Delete(Profile& profile, int slot) {
  if (slot < 0 || slot >= Count()) return false;
  const RecentHost shown = slots_[static_cast<std::size_t>(slot)];
  Load(profile);
  slot = IndexOf(shown);
  if (slot < 0) return false;
  for (int j = slot; j < kSlots - 1; ++j) {
    slots_[static_cast<std::size_t>(j)] = std::move(slots_[static_cast<std::size_t>(j) + 1]);
  }
  slots_[kSlots - 1] = RecentHost{"", 0, ""};
  for (int k = 0; k < kSlots; ++k) Store(profile, k);
  return true;
}

int RecentHostList::IndexOf(const RecentHost& entry) const {
  for (int slot = 0; slot < Count(); ++slot)
    if (slots_[static_cast<std::size_t>(slot)] == entry) return slot;
  return -1;
}

int RecentHostList::Count() const {
  int count = 0;
  while (count < kSlots && !slots_[static_cast<std::size_t>(count)].host.empty()) ++count;
  return count;
}

int RecentHostList::MenuCount() const {
  const int count = Count();
  return count < kMenuSlots ? count : kMenuSlots;
}

const RecentHost& RecentHostList::At(int slot) const {
  static const RecentHost kNoEntry{};
  if (slot < 0 || slot >= kSlots) return kNoEntry;
  return slots_[static_cast<std::size_t>(slot)];
}

std::string RecentHostList::EntryText(int slot) const { return EntryLine(At(slot)); }

std::string RecentHostList::MenuText(int slot) const {
  const RecentHost& entry = At(slot);
  std::string text = "&";  // appended step by step: GCC 12's -Wrestrict misfires on "&" + s
  text += std::to_string(slot + 1);
  text += ' ';
  text += MenuLiteral(entry.host);
  text += ':';
  text += std::to_string(entry.port);
  return text;
}

void RecentHostList::Store(Profile& profile, int slot) const {
  const RecentHost& entry = slots_[static_cast<std::size_t>(slot)];
  const int number = slot + 1;
  keys::RecentHost.Write(profile, number, entry.host);
  keys::RecentPort.Write(profile, number, static_cast<int>(entry.port));
  keys::RecentDesc.Write(profile, number, entry.description);
}

std::string ConnectedTitle(const RecentHost& entry, std::string_view applicationName) {
  return EntryLine(entry) + " - " + std::string(applicationName);
}
