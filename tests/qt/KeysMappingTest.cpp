// Qt keys in the key translation's terms: virtual-key codes, typed character
// codes through the code page, macro texts in the terminal's code page.
#include <QTest>

#include "frame/QtKeyMapping.h"
#include "text/CodePage.h"

namespace {

QByteArray Bytes(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

class KeysMappingTest : public QObject {
  Q_OBJECT

 private slots:
  void virtualKeysOfTheTables() {
    const struct {
      int qtKey;
      int virtualKey;
    } cases[] = {
        {Qt::Key_Pause, 19},
        {Qt::Key_PageUp, 33},
        {Qt::Key_PageDown, 34},
        {Qt::Key_End, 35},
        {Qt::Key_Home, 36},
        {Qt::Key_Left, 37},
        {Qt::Key_Up, 38},
        {Qt::Key_Right, 39},
        {Qt::Key_Down, 40},
        {Qt::Key_Insert, 45},
        {Qt::Key_Delete, 46},
        {Qt::Key_Menu, 93},
        {Qt::Key_F1, 112},
        {Qt::Key_F5, 116},
        {Qt::Key_F10, 121},
        {Qt::Key_F12, 123},
        // Keys the tables do not know: characters, F13 and beyond, modifiers.
        {Qt::Key_F13, 0},
        {Qt::Key_Return, 0},
        {Qt::Key_Backspace, 0},
        {Qt::Key_Tab, 0},
        {Qt::Key_Escape, 0},
        {Qt::Key_A, 0},
        {Qt::Key_Shift, 0},
        {Qt::Key_Control, 0},
        {Qt::Key_Clear, 0},
        {Qt::Key_Cancel, 0},
        {0, 0},
    };
    for (const auto& c : cases) {
      QCOMPARE(VirtualKeyFor(c.qtKey), c.virtualKey);
    }
  }

  void modifiersOfAnEvent() {
    const KeyModifiers all =
        KeyModifiersFor(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, true);
    QVERIFY(all.shift && all.ctrl && all.alt && all.apps);
    const KeyModifiers none = KeyModifiersFor(Qt::KeypadModifier | Qt::MetaModifier, false);
    QVERIFY(!none.shift && !none.ctrl && !none.alt && !none.apps);
  }

  void typedCharacters_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("cp437");
    QTest::addColumn<QByteArray>("cp1252");
    const int none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier,
              alt = Qt::AltModifier, keypad = Qt::KeypadModifier;
    auto row = [](const char* name, int key, int mods, const QString& text, QByteArray cp437,
                  QByteArray cp1252) {
      QTest::newRow(name) << key << mods << text << cp437 << cp1252;
    };
    row("letter", Qt::Key_A, none, "a", "a", "a");
    row("shifted letter", Qt::Key_A, shift, "A", "A", "A");
    row("Enter", Qt::Key_Return, none, "\r", "\r", "\r");
    row("keypad Enter", Qt::Key_Enter, keypad, "\r", "\r", "\r");
    row("Ctrl+Enter", Qt::Key_Return, ctrl, "", "\n", "\n");
    row("Backspace", Qt::Key_Backspace, none, "\b", "\b", "\b");
    row("Ctrl+Backspace", Qt::Key_Backspace, ctrl, "", "\x7f", "\x7f");
    row("Tab", Qt::Key_Tab, none, "\t", "\t", "\t");
    row("Shift+Tab", Qt::Key_Backtab, shift, "", "\t", "\t");
    row("Esc", Qt::Key_Escape, none, "\x1b", "\x1b", "\x1b");
    // Ctrl+letter as QTest sends it (the letter) and as X11 does (the code).
    row("Ctrl+C, letter text", Qt::Key_C, ctrl, "c", "\x03", "\x03");
    row("Ctrl+C, control text", Qt::Key_C, ctrl, "\x03", "\x03", "\x03");
    row("Ctrl+Shift+Z", Qt::Key_Z, ctrl | shift, "Z", "\x1a", "\x1a");
    row("Ctrl+@", Qt::Key_At, ctrl | shift, "@", QByteArray(1, '\0'), QByteArray(1, '\0'));
    row("Ctrl+[", Qt::Key_BracketLeft, ctrl, "[", "\x1b", "\x1b");
    row("Ctrl+backslash", Qt::Key_Backslash, ctrl, "\\", "\x1c", "\x1c");
    row("Ctrl+]", Qt::Key_BracketRight, ctrl, "]", "\x1d", "\x1d");
    row("Ctrl+^", Qt::Key_AsciiCircum, ctrl | shift, "^", "\x1e", "\x1e");
    row("Ctrl+_", Qt::Key_Underscore, ctrl | shift, "_", "\x1f", "\x1f");
    row("Ctrl+Space", Qt::Key_Space, ctrl, " ", " ", " ");
    row("Ctrl+digit types nothing", Qt::Key_1, ctrl, "1", "", "");
    row("Alt+letter types nothing", Qt::Key_X, alt, "x", "", "");
    row("Alt+Enter types nothing", Qt::Key_Return, alt, "\r", "", "");
    row("Ctrl+Alt (AltGr) types its text", Qt::Key_Q, ctrl | alt, "@", "@", "@");
    row("modifier alone", Qt::Key_Shift, shift, "", "", "");
    row("accented letter", Qt::Key_Eacute, none, QStringLiteral("\u00e9"), "\x82", "\xe9");
    row("euro sign", Qt::Key_unknown, none, QStringLiteral("\u20ac"), "?", "\x80");
    row("outside the BMP is one character", Qt::Key_unknown, none, QStringLiteral("\U0001F600"),
        "?", "?");
    row("composed text", Qt::Key_unknown, none, QStringLiteral("a\u00fc"), "a\x81", "a\xfc");
    // 437 shows glyphs for its control bytes; typed, they are no controls.
    row("section sign (German Shift+3)", Qt::Key_section, shift, QStringLiteral("\u00a7"), "?",
        "\xa7");
    row("pilcrow", Qt::Key_paragraph, none, QStringLiteral("\u00b6"), "?", "\xb6");
    row("arrows, bullet, heart", Qt::Key_unknown, none,
        QStringLiteral("\u2190\u2192\u2022\u2665\u2302"), "?????", "??\x95??");
  }

  void typedCharacters() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QByteArray, cp437);
    QFETCH(QByteArray, cp1252);
    const auto mods = Qt::KeyboardModifiers::fromInt(modifiers);
    QCOMPARE(Bytes(TypedCharacters(key, mods, text, CodePage::Cp437())).toHex(' '),
             cp437.toHex(' '));
    QCOMPARE(Bytes(TypedCharacters(key, mods, text, CodePage::Windows1252())).toHex(' '),
             cp1252.toHex(' '));
  }

  void macroTextsInTheTerminalCodePage() {
    const struct {
      std::string stored;
      QByteArray cp437, cp1252;
    } cases[] = {
        {"ls -l\\r", "ls -l\\r", "ls -l\\r"},  // the notation is expanded later, not here
        {"", "", ""},
        {"caf\xc3\xa9", "caf\x82", "caf\xe9"},  // UTF-8 é
        {"\xe2\x82\xac", "?", "\x80"},          // UTF-8 €
        // Not UTF-8 (a profile written elsewhere): the bytes go out unchanged.
        {"caf\xe9!", "caf\xe9!", "caf\xe9!"},
        {"\xc3", "\xc3", "\xc3"},
    };
    for (const auto& c : cases) {
      QCOMPARE(Bytes(TerminalBytes(c.stored, CodePage::Cp437())).toHex(' '), c.cp437.toHex(' '));
      QCOMPARE(Bytes(TerminalBytes(c.stored, CodePage::Windows1252())).toHex(' '),
               c.cp1252.toHex(' '));
    }
  }
};

QTEST_GUILESS_MAIN(KeysMappingTest)
#include "KeysMappingTest.moc"
