#include <gtest/gtest.h>

#include "text/CodePage.h"

namespace {

TEST(CodePage, ChosenByFaceOrOemCharacterSet) {
  EXPECT_EQ(&CodePage::ForFont("Terminal", 1), &CodePage::Cp437());
  EXPECT_EQ(&CodePage::ForFont("terminal", 0), &CodePage::Cp437());
  EXPECT_EQ(&CodePage::ForFont("Courier New", 255), &CodePage::Cp437());
  EXPECT_EQ(&CodePage::ForFont("Courier New", 0x1FF), &CodePage::Cp437());  // low byte
  EXPECT_EQ(&CodePage::ForFont("Courier New", 0), &CodePage::Windows1252());
  EXPECT_EQ(&CodePage::ForFont("Terminals", 1), &CodePage::Windows1252());
}

TEST(CodePage, Cp437Glyphs) {
  const CodePage& page = CodePage::Cp437();
  EXPECT_EQ(page.ToUnicode('A'), u'A');
  EXPECT_EQ(page.ToUnicode(0xC4), u'\u2500');  // box drawing horizontal
  EXPECT_EQ(page.ToUnicode(0xDB), u'\u2588');  // full block
  EXPECT_EQ(page.ToUnicode(0x01), u'\u263A');  // smiling face
  EXPECT_EQ(page.ToUnicode(0x7F), u'\u2302');  // house
  EXPECT_EQ(page.ToUnicode(0xE1), u'\u00DF');  // sharp s
  EXPECT_EQ(page.ToUnicode(0xFF), u'\u00A0');
  EXPECT_EQ(page.ToUnicode(0x00), u' ');
}

TEST(CodePage, Windows1252Glyphs) {
  const CodePage& page = CodePage::Windows1252();
  EXPECT_EQ(page.ToUnicode(0x80), u'\u20AC');  // euro
  EXPECT_EQ(page.ToUnicode(0x9F), u'\u0178');
  EXPECT_EQ(page.ToUnicode(0x81), u'\u0081');  // unassigned: the C1 control
  EXPECT_EQ(page.ToUnicode(0xE9), u'\u00E9');
}

TEST(CodePage, EveryPrintableByteRoundTripsAndNoGlyphBecomesAControl) {
  for (const CodePage* page : {&CodePage::Cp437(), &CodePage::Windows1252()}) {
    for (int b = 1; b < 256; ++b) {
      const auto byte = static_cast<unsigned char>(b);
      const char16_t ch = page->ToUnicode(byte);
      const unsigned char back = page->FromUnicode(ch);
      if (ch < 0x20 || ch == 0x7F) {
        EXPECT_EQ(back, byte) << page->Name() << " " << b;  // a control code stays itself
      } else if (b < 0x20 || b == 0x7F) {
        // 437's glyph for a control byte (such as U+00A7 for 0x15, Ctrl+U) is
        // printable text: it must not kill a line or interrupt the host.
        EXPECT_EQ(back, '?') << page->Name() << " " << b;
      } else {
        EXPECT_EQ(back, byte) << page->Name() << " " << b;
      }
    }
    EXPECT_EQ(page->FromUnicode(u' '), ' ') << page->Name();
  }
}

TEST(CodePage, ControlsStayThemselvesAndUnmappableBecomesQuestionMark) {
  const CodePage& page = CodePage::Cp437();
  EXPECT_EQ(page.FromUnicode(u'\r'), 13);
  EXPECT_EQ(page.FromUnicode(u'\t'), 9);
  EXPECT_EQ(page.FromUnicode(u'\x1b'), 27);
  EXPECT_EQ(page.FromUnicode(u'\u20AC'), '?');  // no euro in 437
  EXPECT_EQ(CodePage::Windows1252().FromUnicode(u'\u20AC'), 0x80);
  EXPECT_EQ(CodePage::Windows1252().FromUnicode(u'\u2500'), '?');
  // A character beyond 16 bits is one '?', not two.
  EXPECT_EQ(page.Encode(u"a\U0001F600b"), "a?b");
  EXPECT_EQ(page.Encode(u"\u2500\u2502"), "\xC4\xB3");
  EXPECT_EQ(page.Decode("\xC4\xB3"), u"\u2500\u2502");
}

}  // namespace
