#pragma once
// The ten most recent connections (host, port, description), newest first,
// kept in the "Recent Host List" profile section. Each change is written to
// the profile the moment it is made; nothing is saved in a batch.
//
// The list ends at the first slot with an empty host; slots behind it are
// kept as stored but never shown. The Open Connection dialog and the
// Connection menu are views over this class.
#include <array>
#include <string>
#include <string_view>

#include "settings/Profile.h"

// The telnet port: what a missing port reads as, and what the dialog's port
// field shows after a Delete.
inline constexpr unsigned kDefaultTelnetPort = 23;

struct RecentHost {
  std::string host;  // as typed; empty marks an empty slot
  unsigned port = kDefaultTelnetPort;
  std::string description;  // may be empty

  // Same entry only when all three fields match byte for byte (case matters).
  bool operator==(const RecentHost&) const = default;
};

class RecentHostList {
 public:
  static constexpr int kSlots = 10;     // entries kept in the list and the profile
  static constexpr int kMenuSlots = 4;  // entries shown in the Connection menu

  // Reads all ten slots as stored, gaps included; a missing port reads as 23.
  void Load(Profile& profile);

  // Moves `entry` to slot 0 after a successful connection. A new entry pushes
  // the others down (slot 9 drops off); an entry already in the list moves up
  // and the entries behind it keep their slots. Only slots that changed are
  // written; an entry already in slot 0 writes nothing.
  // The list is read again from the profile first, so entries another window
  // on the same profile has added since are kept.
  void Remember(Profile& profile, const RecentHost& entry);

  // Removes the shown entry at `slot`: later slots move up one and slot 9
  // becomes an empty host with port 0; then all ten slots are written.
  // A slot that is not shown (no selection, or past the end of the list)
  // changes nothing, writes nothing and returns false.
  // The list is read again from the profile first; the entry that was shown
  // at `slot` is removed wherever another window has moved it meanwhile, and
  // when it is no longer in the list, the list is only brought up to date.
  bool Delete(Profile& profile, int slot);

  // Shown entries: the slots before the first empty host.
  int Count() const;
  // Shown entries that get a Connection menu item (at most four).
  int MenuCount() const;

  // Any slot 0..9, also behind the end of the list (e.g. slot 0's port seeds
  // the dialog's port field). Outside 0..9 (say, no selection) it gives an
  // empty entry rather than failing.
  const RecentHost& At(int slot) const;

  // Line of the dialog's history list box: "desc (host:port)" or "host:port".
  std::string EntryText(int slot) const;
  // Connection menu item: "&1 host:port" .. "&4 host:port".
  std::string MenuText(int slot) const;

 private:
  void Store(Profile& profile, int slot) const;
  // The first shown slot holding `entry`, or -1.
  int IndexOf(const RecentHost& entry) const;

  std::array<RecentHost, kSlots> slots_{};
};

// Window title while connected: "desc (host:port) - app" or "host:port - app".
std::string ConnectedTitle(const RecentHost& entry, std::string_view applicationName);
