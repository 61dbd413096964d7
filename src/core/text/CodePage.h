#pragma once
// Single-byte code pages for the characters of the screen: each cell byte is
// shown as one UTF-16 character, and typed or pasted text goes back to bytes
// through the same table.
#include <array>
#include <string>
#include <string_view>

class CodePage {
 public:
  // IBM PC (437) with its glyphs for the bytes below 0x20 and 0x7F, the page of
  // the "Terminal" face and of the OEM character set (255).
  static const CodePage& Cp437();
  // Windows Latin 1 (1252); its five unassigned bytes stand for the C1
  // controls of the same number.
  static const CodePage& Windows1252();
  // The page of a terminal font: 437 for the face "Terminal" (any letter case)
  // or character set 255, otherwise 1252.
  static const CodePage& ForFont(std::string_view faceName, int charSet);

  char16_t ToUnicode(unsigned char byte) const { return (*toUnicode_)[byte]; }
  // The byte for a character; control characters (below U+0020 and U+007F)
  // stay themselves so typed Enter, Tab or Esc keep their codes; a printable
  // character never becomes a control byte; anything else the page cannot
  // show in a printable byte becomes '?'.
  unsigned char FromUnicode(char16_t ch) const { return fromUnicode_[ch]; }

  std::u16string Decode(std::string_view bytes) const;
  // One byte per character (a surrogate pair is one character).
  std::string Encode(std::u16string_view text) const;

  const char* Name() const { return name_; }

 private:
  CodePage(const char* name, const std::array<char16_t, 256>& table);

  const char* name_;
  const std::array<char16_t, 256>* toUnicode_;
  // Indexed by character: a UTF-8 host's text goes through it for every
  // character beyond ASCII, so it is a table rather than a search.
  std::array<unsigned char, 0x10000> fromUnicode_;
};

// Pasted clipboard text as the bytes sent to the host: one byte per character
// through the terminal's code page ('?' for what the page cannot show). Like
// the platform's text clipboard the text ends at the first NUL, so a NUL byte
// is never sent.
std::string BytesFromClipboardText(std::u16string_view text, const CodePage& page);

// Cell bytes as UTF-8 for a host that takes UTF-8: ASCII (controls included)
// as it is, every other byte as the character the page shows for it.
std::string Utf8FromCells(std::string_view cells, const CodePage& page);
