// libFuzzer target: a macro key from the typed text to the bytes sent. The text
// goes through the terminal's code page (one byte per character) and the key
// translation of App+Fk, which expands the escape notation.
//
// Input: one byte of settings (bit 0: code page 437 instead of 1252; bits 1-2:
// Shift, Ctrl; bit 3: ANSI emulation; bits 4-7: the key, F1 + n % 12), then the
// macro text as UTF-16 code units, low byte first (lone surrogates included).
//
// Checked: the bytes are never more than the characters typed; a backslash byte
// comes only from a typed backslash, so no other character can start an escape;
// and the sent bytes follow the escape table: \\ \e \n \r \t give one byte each,
// any other escape and a trailing lone backslash give nothing, the rest is copied.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "input/KeyTranslation.h"
#include "input/MacroExpansion.h"
#include "input/VirtualKeys.h"
#include "text/CodePage.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "macro: %s\n", what);
  std::abort();
}

bool IsLead(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsTrail(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// The bytes the escape table gives for `bytes`, written out case by case.
std::string ByTheTable(const std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\\') {
      out += bytes[i];
      continue;
    }
    if (i + 1 == bytes.size()) break;
    switch (bytes[++i]) {
      case '\\':
        out += '\\';
        break;
      case 'e':
        out += '\x1b';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      default:
        break;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::uint8_t settingsByte = in.ConsumeIntegral<std::uint8_t>();
  std::u16string text;
  while (in.remaining_bytes() >= 2) {
    const unsigned lo = in.ConsumeIntegral<std::uint8_t>(), hi = in.ConsumeIntegral<std::uint8_t>();
    text += static_cast<char16_t>(lo | (hi << 8));
  }

  const CodePage& page = (settingsByte & 1) ? CodePage::Cp437() : CodePage::Windows1252();
  const std::string typed = page.Encode(text);

  // One byte per character; a backslash only where one was typed.
  std::size_t at = 0;
  for (std::size_t i = 0; i < text.size(); ++i, ++at) {
    if (at >= typed.size()) Fail("fewer bytes than characters");
    const bool pair = IsLead(text[i]) && i + 1 < text.size() && IsTrail(text[i + 1]);
    if ((typed[at] == '\\') != (!pair && text[i] == u'\\'))
      Fail("a backslash byte not typed as one");
    if (pair) ++i;
  }
  if (at != typed.size()) Fail("more bytes than characters");

  KeyModifiers mods;
  mods.apps = true;
  mods.shift = (settingsByte & 2) != 0;
  mods.ctrl = (settingsByte & 4) != 0;
  KeySettings keySettings;
  keySettings.emulation = (settingsByte >> 3) & 1;
  const int column = (settingsByte >> 4) % kMacroCount;
  MacroTexts macros;
  macros[static_cast<std::size_t>(column)] = typed;
  const std::string sent = TranslateKeyDown(VK_F1 + column, mods, keySettings, macros);

  if (sent.size() > typed.size()) Fail("more bytes sent than typed");
  if (sent != ByTheTable(typed)) Fail("the bytes sent break the escape table");
  if (sent != ExpandMacro(typed)) Fail("the key sends other bytes than the expansion");
  return 0;
}
