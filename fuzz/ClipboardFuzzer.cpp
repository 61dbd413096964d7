// libFuzzer target: pasting, from the clipboard's Unicode text to the bytes
// handed to the connection.
//
// Input: one byte choosing the code page (bit 0: 437, else 1252), then the
// clipboard text as UTF-16 code units, low byte first (NULs and lone surrogates
// included). Checked: never more bytes than characters before the first NUL
// (twice that once 0xFF is doubled), no NUL byte sent, the text after a NUL
// never sent, and every 0xFF (the telnet command byte) doubled.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "text/CodePage.h"

// Data for the host doubles every 0xFF so the host does not take it for a
// telnet command; fuzz/CMakeLists.txt defines CORVANE_FUZZ_DOUBLE_IAC when the
// session's DoubleIac (terminal/TelnetCommands.h) exists.
#ifdef CORVANE_FUZZ_DOUBLE_IAC
#include "terminal/TelnetCommands.h"
#endif

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "clipboard: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CodePage& page =
      (in.ConsumeIntegral<std::uint8_t>() & 1) ? CodePage::Cp437() : CodePage::Windows1252();
  std::u16string text;
  while (in.remaining_bytes() >= 2) {
    const unsigned lo = in.ConsumeIntegral<std::uint8_t>(), hi = in.ConsumeIntegral<std::uint8_t>();
    text += static_cast<char16_t>(lo | (hi << 8));
  }

  const std::string bytes = BytesFromClipboardText(text, page);
  const std::size_t taken = std::min(text.find(u'\0'), text.size());
  if (bytes.size() > taken) Fail("more bytes than characters before the first NUL");
  if (bytes != page.Encode(text.substr(0, taken))) Fail("not the code page's bytes of the text");
  if (bytes.find('\0') != std::string::npos) Fail("a NUL byte to send");
  // A control byte comes only from that control character: a printable one
  // (a glyph the page shows for a control byte) is never sent as a control.
  for (std::size_t i = 0, at = 0; i < taken && at < bytes.size(); ++i, ++at) {
    const bool pair = text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < taken &&
                      text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (pair) ++i;
    if ((byte < 0x20 || byte == 0x7F) && (pair || text[i] != byte))
      Fail("a printable character sent as a control byte");
  }

#ifdef CORVANE_FUZZ_DOUBLE_IAC
  const std::string sent = DoubleIac(bytes);
  if (sent.size() > 2 * taken) Fail("more than twice the characters sent");
  if (sent.find('\0') != std::string::npos) Fail("a NUL byte sent");
  // Reading the sent bytes the way the host does must give back the text's bytes.
  std::string undone;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    if (sent[i] == '\xff' && (i + 1 == sent.size() || sent[++i] != '\xff'))
      Fail("a single 0xFF sent");
    undone += sent[i];
  }
  if (undone != bytes) Fail("doubling changed other bytes");
#endif
  return 0;
}
