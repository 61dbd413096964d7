#pragma once
// Every profile section and key Corvane keeps, with its default, in one place.
// Code reads and writes settings only through these constants.
#include <string>

#include "settings/Profile.h"

struct IntKey {
  const char* section;
  const char* key;
  int def;
  int Read(Profile& p) const { return p.GetInt(section, key, def); }
  void Write(Profile& p, int v) const { p.WriteInt(section, key, v); }
};

struct StringKey {
  const char* section;
  const char* key;
  const char* def;
  std::string Read(Profile& p) const { return p.GetString(section, key, def); }
  void Write(Profile& p, const std::string& v) const { p.WriteString(section, key, v); }
};

// Numbered keys such as "F1" .. "F12" or "Host1" .. "Host10" (1-based, no leading zeros).
inline std::string NumberedName(const char* prefix, int number) {
  std::string name = prefix;  // appended, not prefix + ...: GCC 12's -Wrestrict misfires on that
  name += std::to_string(number);
  return name;
}

struct NumberedIntKey {
  const char* section;
  const char* prefix;
  int def;
  int Read(Profile& p, int number) const { return p.GetInt(section, Name(number), def); }
  void Write(Profile& p, int number, int v) const { p.WriteInt(section, Name(number), v); }
  std::string Name(int number) const { return NumberedName(prefix, number); }
};

struct NumberedStringKey {
  const char* section;
  const char* prefix;
  const char* def;
  std::string Read(Profile& p, int number) const { return p.GetString(section, Name(number), def); }
  void Write(Profile& p, int number, const std::string& v) const {
    p.WriteString(section, Name(number), v);
  }
  std::string Name(int number) const { return NumberedName(prefix, number); }
};

namespace keys {
inline constexpr const char* kOptions = "Options";
inline constexpr const char* kScreen = "Screen";
inline constexpr const char* kFont = "Font";
inline constexpr const char* kColor = "Color";
inline constexpr const char* kMacro = "Macro";
inline constexpr const char* kRecentHostList = "Recent Host List";
inline constexpr const char* kSpecial = "Special";

// Options
inline constexpr IntKey SaveWinPosition{kOptions, "SaveWinPosition", 1};
inline constexpr IntKey LocalEcho{kOptions, "LocalEcho", 0};  // only 1 counts as on
inline constexpr IntKey ApplicationMode{kOptions, "ApplicationMode", 1};
inline constexpr IntKey Backspace{kOptions, "Backspace", 1};
inline constexpr IntKey AutoClose{kOptions, "AutoClose", 0};
inline constexpr IntKey BlockCursor{kOptions, "BlockCursor", 0};
inline constexpr IntKey DisconnectNotify{kOptions, "DisconnectNotify", 1};
inline constexpr IntKey ReverseColor{kOptions, "ReverseColor", 0};
inline constexpr IntKey Emulation{kOptions, "Emulation", 0};  // 0 VT100, 1 ANSI, else 0
inline constexpr IntKey WinSizeWarning{kOptions, "WinSizeWarning", 1};
inline constexpr IntKey KeepAlive{kOptions, "KeepAlive", 0};  // seconds, 0 off, 0..3600
inline constexpr IntKey HostText{kOptions, "HostText", 0};    // 0 the code page's bytes, 1 UTF-8

// Screen
inline constexpr IntKey WinPosX{kScreen, "WinPosX", 0};
inline constexpr IntKey WinPosY{kScreen, "WinPosY", 0};
inline constexpr IntKey Width{kScreen, "Width", 80};
inline constexpr IntKey Height{kScreen, "Height", 24};
inline constexpr IntKey BufferSize{kScreen, "BufferSize", 1000};

// Font
inline constexpr StringKey FontName{kFont, "Name", "Terminal"};
inline constexpr IntKey FontSize{kFont, "Size", 110};  // tenths of a point
inline constexpr IntKey FontItalic{kFont, "Italic", 0};
inline constexpr IntKey FontCharSet{kFont, "CharSet", 1};

// Color (each component's low 8 bits are used)
inline constexpr IntKey ForegroundR{kColor, "ForegroundR", 192};
inline constexpr IntKey ForegroundG{kColor, "ForegroundG", 192};
inline constexpr IntKey ForegroundB{kColor, "ForegroundB", 192};
inline constexpr IntKey BackgroundR{kColor, "BackgroundR", 0};
inline constexpr IntKey BackgroundG{kColor, "BackgroundG", 0};
inline constexpr IntKey BackgroundB{kColor, "BackgroundB", 0};

// Macro keys F1 .. F12, in escape notation, stored as typed.
inline constexpr NumberedStringKey Macro{kMacro, "F", ""};
inline constexpr int kMacroCount = 12;

// Recent Host List, slots 1 .. 10 (slot 1 newest).
inline constexpr NumberedStringKey RecentHost{kRecentHostList, "Host", ""};
inline constexpr NumberedIntKey RecentPort{kRecentHostList, "Port", 23};
inline constexpr NumberedStringKey RecentDesc{kRecentHostList, "Desc", ""};
inline constexpr int kRecentHostCount = 10;

// Special: the line-check catalogue; written by nobody but the user.
inline constexpr IntKey DBSize{kSpecial, "DBSize", 0};
inline constexpr StringKey CDDir{kSpecial, "CDDir", ""};
inline constexpr StringKey CSVDir{kSpecial, "CSVDir", ""};
inline constexpr StringKey DefaultDir{kSpecial, "DefaultDir", ""};
inline constexpr IntKey MarkColor{kSpecial, "Color", 0};
}  // namespace keys
