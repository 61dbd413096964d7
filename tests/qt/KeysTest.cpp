// Real key events on the terminal area of a frame connected to a loopback
// host: the bytes every key sends in both emulations and arrow modes, typed
// characters, macro keys, local echo, and the keys that act locally
// (Pause/Break, the Applications key, Alt+Page Up and Alt+Page Down).
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMetaEnum>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <functional>

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "KeyTable.h"
#include "QuietOffscreen.h"
#include "frame/CommandIds.h"
#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"

namespace {

// Sent straight through the session after the keys under test: everything the
// host receives before it was sent by those keys.
constexpr char kMarker = '\xFE';

struct Key {
  int key;
  Qt::KeyboardModifiers mods = Qt::NoModifier;
  QString text = {};
};

// A press and a release as the window system delivers them (modifier keys
// first, shortcuts tried before the widget sees the key).
void Click(QWidget* widget, const Key& k) {
  QTest::sendKeyEvent(QTest::Click, widget, static_cast<Qt::Key>(k.key), k.text, k.mods);
}

// One auto-repeat press, as a held key produces them.
void RepeatPress(QWidget* widget, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text, true);
  QApplication::sendEvent(widget, &press);
}

std::string Row(const CTelnetSession& session, int r) {
  std::string row = Peek(session).m_Text[static_cast<std::size_t>(r)];
  row.erase(row.find_last_not_of(' ') + 1);
  return row;
}

class KeyRig {
 public:
  FrameRig rig;
  LoopbackHost host;
  CMainFrame* frame = nullptr;

  void Set(const char* section, const char* key, const std::string& value) {
    rig.profile.Set(section, key, value);
  }

  // The frame shown and active with the keyboard on the terminal area;
  // connected to the loopback host unless told otherwise.
  bool Start(bool connect = true) {
    frame = connect ? &rig.Start("127.0.0.1", host.Port()) : &rig.Start();
    frame->show();
    if (!QTest::qWaitForWindowActive(frame)) return false;
    frame->View()->setFocus();
    return !connect || host.WaitForPeer();
  }

  // A line-check catalogue of one file, cd0.csv in `dir`, with a database of 10.
  bool UseCatalogue(const QTemporaryDir& dir, const QByteArray& csv) {
    QFile file(dir.filePath("cd0.csv"));
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size())
      return false;
    Set("Special", "DBSize", "10");
    Set("Special", "CSVDir", dir.path().toStdString());
    Set("Special", "CDDir", dir.path().toStdString());
    return true;
  }

  QWidget* View() const { return frame->View(); }
  CTelnetSession& Session() const { return *frame->Session(); }

  QByteArray SentBy(const std::function<void()>& keys) {
    keys();
    Session().Send(std::string(1, kMarker));
    if (!QTest::qWaitFor([this] { return host.Pending().contains(kMarker); }, 5000))
      return "(marker never arrived) " + host.Pending().toHex(' ');
    QByteArray bytes = host.Take(static_cast<int>(host.Pending().indexOf(kMarker)) + 1);
    bytes.chop(1);
    return bytes;
  }
  QByteArray SentBy(std::initializer_list<Key> keys) {
    return SentBy([&] {
      for (const Key& k : keys) Click(View(), k);
    });
  }
};

}  // namespace

class KeysTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  // The rows of tests/data/keys/keys.tsv marked "frame".
  void keySequences_data() {
    QTest::addColumn<int>("emulation");
    QTest::addColumn<int>("applicationMode");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QByteArray>("expected");
    const QMetaEnum qtKeys = QMetaEnum::fromType<Qt::Key>();
    for (const KeyRow& r : LoadKeyTable(CORVANE_TEST_DATA "/keys/keys.tsv")) {
      if (!r.frame) continue;
      const int key = qtKeys.keyToValue(("Key_" + r.key).c_str());
      QVERIFY2(key != -1, r.key.c_str());
      const Qt::KeyboardModifiers mods = (r.ctrl ? Qt::ControlModifier : Qt::NoModifier) |
                                         (r.shift ? Qt::ShiftModifier : Qt::NoModifier) |
                                         (r.alt ? Qt::AltModifier : Qt::NoModifier) |
                                         (r.keypad ? Qt::KeypadModifier : Qt::NoModifier);
      QTest::newRow(r.name.c_str())
          << r.emulation << int{r.applicationMode} << key << static_cast<int>(mods.toInt())
          << QByteArray::fromStdString(r.sends);
    }
  }

  void keySequences() {
    QFETCH(int, emulation);
    QFETCH(int, applicationMode);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QByteArray, expected);
    KeyRig k;
    k.Set("Options", "Emulation", std::to_string(emulation));
    k.Set("Options", "ApplicationMode", std::to_string(applicationMode));
    QVERIFY(k.Start());
    // Delete carries the DEL character as its text; the key's own sequence wins.
    const QString text = key == Qt::Key_Delete ? QStringLiteral("\x7f") : QString();
    const QByteArray sent = k.SentBy({{key, Qt::KeyboardModifiers::fromInt(modifiers), text}});
    QCOMPARE(sent.toHex(' '), expected.toHex(' '));
  }

  void typedCharacters_data() {
    QTest::addColumn<int>("backspaceSetting");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    const int none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier,
              alt = Qt::AltModifier, keypad = Qt::KeypadModifier;
    auto row = [](const char* name, int bs, int key, int mods, const QString& text,
                  QByteArray bytes) { QTest::newRow(name) << bs << key << mods << text << bytes; };
    row("letter", 1, Qt::Key_A, none, "a", "a");
    row("capital", 1, Qt::Key_A, shift, "A", "A");
    row("Enter sends CR LF", 1, Qt::Key_Return, none, "\r", "\r\n");
    row("keypad Enter", 1, Qt::Key_Enter, keypad, "\r", "\r\n");
    row("Ctrl+Enter sends LF", 1, Qt::Key_Return, ctrl, "", "\n");
    row("Backspace sends BS", 1, Qt::Key_Backspace, none, "\b", "\b");
    row("Backspace set to delete", 0, Qt::Key_Backspace, none, "\b", "\x7f");
    row("Ctrl+H is Backspace", 0, Qt::Key_H, ctrl, "h", "\x7f");
    row("Ctrl+Backspace", 1, Qt::Key_Backspace, ctrl, "", "\x7f");
    row("Tab", 1, Qt::Key_Tab, none, "\t", "\t");
    row("Shift+Tab", 1, Qt::Key_Backtab, shift, "", "\t");
    row("Esc", 1, Qt::Key_Escape, none, "\x1b", "\x1b");
    row("Ctrl+C", 1, Qt::Key_C, ctrl, "c", "\x03");
    row("Ctrl+M is Enter", 1, Qt::Key_M, ctrl, "m", "\r\n");
    row("Ctrl+[", 1, Qt::Key_BracketLeft, ctrl, "[", "\x1b");
    row("accented letter through CP437", 1, Qt::Key_Eacute, none, QStringLiteral("\u00e9"), "\x82");
    row("unmappable character", 1, Qt::Key_unknown, none, QStringLiteral("\u20ac"), "?");
    // CP437's no-break space is byte 255: a lone one would start a telnet command.
    row("byte 255 goes out doubled", 1, Qt::Key_unknown, none, QStringLiteral("\u00a0"),
        "\xff\xff");
    row("Alt+letter", 1, Qt::Key_X, alt, "x", "");
    row("Ctrl+digit", 1, Qt::Key_1, ctrl, "1", "");
    row("Shift alone", 1, Qt::Key_Shift, none, "", "");
  }

  void typedCharacters() {
    QFETCH(int, backspaceSetting);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    KeyRig k;
    k.Set("Options", "Backspace", std::to_string(backspaceSetting));
    QVERIFY(k.Start());
    const QByteArray sent = k.SentBy({{key, Qt::KeyboardModifiers::fromInt(modifiers), text}});
    QCOMPARE(sent.toHex(' '), expected.toHex(' '));
    QCOMPARE(Row(k.Session(), 0), std::string());  // local echo is off by default
  }

  // Typed text is taken by the terminal area before the shortcuts are
  // searched; accelerators, menu mnemonics and keys without text are not.
  void onlyPlainTextOverridesTheShortcuts_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("taken");
    auto row = [](const char* name, int key, int mods, const QString& text, bool taken) {
      QTest::newRow(name) << key << mods << text << taken;
    };
    row("letter", Qt::Key_A, Qt::NoModifier, "a", true);
    row("capital", Qt::Key_A, Qt::ShiftModifier, "A", true);
    row("keypad digit", Qt::Key_1, Qt::KeypadModifier, "1", true);
    row("accented letter", Qt::Key_Eacute, Qt::NoModifier, QStringLiteral("\u00e9"), true);
    row("Paste (Shift+Insert)", Qt::Key_Insert, Qt::ShiftModifier, "", false);
    row("menu mnemonic (Alt+F)", Qt::Key_F, Qt::AltModifier, "f", false);
    row("F10 accelerator", Qt::Key_F10, Qt::NoModifier, "", false);
    row("Ctrl+C", Qt::Key_C, Qt::ControlModifier, "c", false);
    row("Meta+letter", Qt::Key_A, Qt::MetaModifier, "a", false);
    row("control character text", Qt::Key_Escape, Qt::NoModifier, "\x1b", false);
  }

  void onlyPlainTextOverridesTheShortcuts() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(bool, taken);
    KeyRig k;
    QVERIFY(k.Start(false));
    QKeyEvent event(QEvent::ShortcutOverride, key, Qt::KeyboardModifiers::fromInt(modifiers), text);
    event.ignore();
    QApplication::sendEvent(k.View(), &event);
    QCOMPARE(event.isAccepted(), taken);
  }

  // Dead keys, compose sequences and input methods commit text instead of
  // pressing keys: typed characters through the code page, echoed locally.
  void committedTextIsTyped_data() {
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("preedit");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("dead acute, e") << QStringLiteral("\u00e9") << QString() << QByteArray("\x82");
    QTest::newRow("several, one unmappable")
        << QStringLiteral("\u00e9\u20aca") << QString() << QByteArray("\x82?a");
    QTest::newRow("still composing") << QString() << QStringLiteral("e") << QByteArray();
  }
  void committedTextIsTyped() {
    QFETCH(QString, commit);
    QFETCH(QString, preedit);
    QFETCH(QByteArray, bytes);
    KeyRig k;
    k.Set("Options", "LocalEcho", "1");
    QVERIFY(k.Start());
    // The terminal area takes part in input methods at all.
    QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImCursorRectangle);
    QApplication::sendEvent(k.View(), &query);
    QVERIFY(query.value(Qt::ImEnabled).toBool());
    QVERIFY(!query.value(Qt::ImCursorRectangle).toRect().isEmpty());
    const QByteArray sent = k.SentBy([&] {
      QInputMethodEvent event(preedit, {});
      event.setCommitString(commit);
      QApplication::sendEvent(k.View(), &event);
    });
    QCOMPARE(sent.toHex(' '), bytes.toHex(' '));
    QCOMPARE(Row(k.Session(), 0), bytes.toStdString());
  }

  void tabStaysWithTheTerminal() {
    KeyRig k;
    QVERIFY(k.Start());
    QCOMPARE(k.SentBy({{Qt::Key_Tab, Qt::NoModifier, "\t"}, {Qt::Key_Tab, Qt::NoModifier, "\t"}}),
             QByteArray("\t\t"));
    QCOMPARE(QApplication::focusWidget(), k.View());
  }

  void autoRepeatSendsOncePerRepeat() {
    KeyRig k;
    QVERIFY(k.Start());
    const QByteArray sent = k.SentBy([&] {
      for (int i = 0; i < 3; ++i) RepeatPress(k.View(), Qt::Key_Up);
      for (int i = 0; i < 3; ++i) RepeatPress(k.View(), Qt::Key_A, "a");
    });
    QCOMPARE(sent, QByteArray("\x1bOA\x1bOA\x1bOAaaa"));
  }

  void disabledClipboardShortcutsDoNotReachTheHost() {
    KeyRig k;
    QVERIFY(k.Start());
    QGuiApplication::clipboard()->clear();
    k.frame->Action(cmd::ID_EDIT_PASTE)->setEnabled(false);
    k.frame->Action(cmd::ID_EDIT_COPY)->setEnabled(false);
    // Shift+Insert and Ctrl+Insert belong to Paste and Copy even while those
    // are unavailable; Insert alone is the host's.
    QCOMPARE(k.SentBy({{Qt::Key_Insert, Qt::ShiftModifier},
                       {Qt::Key_Insert, Qt::ControlModifier},
                       {Qt::Key_Insert, Qt::ShiftModifier | Qt::KeypadModifier}})
                 .toHex(' '),
             QByteArray());
    QCOMPARE(k.SentBy({{Qt::Key_Insert}}), QByteArray("\x1b[2~"));
    // The same for an Alt accelerator whose command is disabled.
    k.frame->Action(cmd::ID_FILE_OPEN)->setEnabled(false);
    QCOMPARE(k.SentBy({{Qt::Key_Home, Qt::AltModifier}}), QByteArray());
  }

  void macroKeysSendTheExpandedTextWhileTheApplicationsKeyIsHeld() {
    KeyRig k;
    k.Set("Macro", "F1", "ls -l\\r");
    k.Set("Macro", "F3", "\\e[A");
    k.Set("Macro", "F5", "a\\qb\\");           // unknown escape and a trailing backslash
    k.Set("Macro", "F10", "c:\\\\dir\\r\\n");  // backslash, then CR LF
    k.Set("Macro", "F12", "caf\xc3\xa9");      // UTF-8 é goes out in the code page
    k.Set("Macro", "F7",
          "a\xc2\xa0"
          "b");  // no-break space: byte 255, doubled
    QVERIFY(k.Start());
    QTest::keyPress(k.View(), Qt::Key_Menu);
    QCOMPARE(k.SentBy({{Qt::Key_F1}}), QByteArray("ls -l\r"));
    QCOMPARE(k.SentBy({{Qt::Key_F1, Qt::ShiftModifier}}), QByteArray("ls -l\r"));
    QCOMPARE(k.SentBy({{Qt::Key_F1, Qt::ControlModifier}}), QByteArray("ls -l\r"));
    QCOMPARE(k.SentBy({{Qt::Key_F2}}), QByteArray());  // empty macro: nothing
    QCOMPARE(k.SentBy({{Qt::Key_F3}}), QByteArray("\x1b[A"));
    QCOMPARE(k.SentBy({{Qt::Key_F5}}), QByteArray("ab"));
    QCOMPARE(k.SentBy({{Qt::Key_F10}}), QByteArray("c:\\dir\r\n"));  // through the F10 accelerator
    QCOMPARE(k.SentBy({{Qt::Key_F12}}).toHex(' '), QByteArray("caf\x82").toHex(' '));
    QCOMPARE(k.SentBy({{Qt::Key_F7}}).toHex(' '), QByteArray("a\xff\xff"
                                                             "b")
                                                      .toHex(' '));
    // Auto-repeat of the held key keeps it held.
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Menu, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(k.View(), &repeatRelease);
    RepeatPress(k.View(), Qt::Key_Menu);
    QCOMPARE(k.SentBy({{Qt::Key_F1}}), QByteArray("ls -l\r"));
    QTest::keyRelease(k.View(), Qt::Key_Menu);
    QCOMPARE(k.SentBy({{Qt::Key_F1}, {Qt::Key_F10}}), QByteArray("\x1bOP\x1b[22~"));
  }

  void macroKeysInAnsiHaveNoEscInFront() {
    KeyRig k;
    k.Set("Options", "Emulation", "1");
    k.Set("Macro", "F11", "xyz");
    QVERIFY(k.Start());
    QTest::keyPress(k.View(), Qt::Key_Menu);
    QCOMPARE(k.SentBy({{Qt::Key_F11, Qt::ControlModifier | Qt::ShiftModifier}}), QByteArray("xyz"));
    QTest::keyRelease(k.View(), Qt::Key_Menu);
    QCOMPARE(k.SentBy({{Qt::Key_F11}}), QByteArray("\x1b[W"));
  }

  void losingTheKeyboardReleasesTheApplicationsKey() {
    KeyRig k;
    k.Set("Macro", "F1", "macro");
    QVERIFY(k.Start());
    QTest::keyPress(k.View(), Qt::Key_Menu);
    // The release happens in another window: it never reaches the terminal.
    k.View()->clearFocus();
    k.View()->setFocus();
    QCOMPARE(k.SentBy({{Qt::Key_F1}}), QByteArray("\x1bOP"));
  }

  void localEchoOnlyWhenSetToOneAndConnected_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<bool>("connect");
    QTest::addColumn<QByteArray>("hostSends");
    QTest::addColumn<bool>("echoed");
    QTest::newRow("1, connected") << "1" << true << QByteArray() << true;
    QTest::newRow("0") << "0" << true << QByteArray() << false;
    QTest::newRow("2 is not on") << "2" << true << QByteArray() << false;
    QTest::newRow("1, disconnected") << "1" << false << QByteArray() << false;
    // The host echoes after WILL ECHO (a password prompt): echoing here too
    // would show the password.
    QTest::newRow("1, host echoes") << "1" << true << QByteArray("\xff\xfb\x01") << false;
    QTest::newRow("1, host stopped echoing")
        << "1" << true << QByteArray("\xff\xfb\x01\xff\xfc\x01") << true;
  }

  void localEchoOnlyWhenSetToOneAndConnected() {
    QFETCH(QString, setting);
    QFETCH(bool, connect);
    QFETCH(QByteArray, hostSends);
    QFETCH(bool, echoed);
    KeyRig k;
    k.Set("Options", "LocalEcho", setting.toStdString());
    QVERIFY(k.Start(connect));
    if (!hostSends.isEmpty()) {
      // Answered (the offer of NAWS, then DO ECHO) once the session has read it all.
      k.host.Send(hostSends);
      (void)k.host.Take(6);
      QTRY_COMPARE(k.Session().HostEchoes(), !echoed);
    }
    const std::vector<Key> keys = {{Qt::Key_A, Qt::NoModifier, "a"},
                                   {Qt::Key_B, Qt::NoModifier, "b"},
                                   {Qt::Key_C, Qt::NoModifier, "c"},
                                   {Qt::Key_Backspace, Qt::NoModifier, "\b"},
                                   {Qt::Key_Return, Qt::NoModifier, "\r"},
                                   {Qt::Key_D, Qt::NoModifier, "d"},
                                   {Qt::Key_Up}};
    auto type = [&] {
      for (const Key& key : keys) Click(k.View(), key);
    };
    if (connect)
      QCOMPARE(k.SentBy(type), QByteArray("abc\b\r\nd\x1bOA"));
    else
      type();
    CTelnetSession& session = k.Session();
    if (echoed) {
      // The typed codes themselves: BS moves back without erasing, CR starts
      // a new line; the arrow's sequence is not echoed.
      QCOMPARE(Row(session, 0), std::string("abc"));
      QCOMPARE(Row(session, 1), std::string("d"));
      QCOMPARE(Peek(session).m_nCursorRow, 1);
      QCOMPARE(Peek(session).m_nCursorCol, 1);
    } else {
      QCOMPARE(Row(session, 0), std::string());
      QCOMPARE(Row(session, 1), std::string());
      QCOMPARE(Peek(session).m_nCursorCol, 0);
    }
  }

  void echoedCharacterThatWrapsIsDrawnAtOnce() {
    KeyRig k;
    k.Set("Options", "LocalEcho", "1");
    QVERIFY(k.Start());
    CTelnetSession& session = k.Session();
    TerminalView* view = k.frame->View();
    (void)view->Snapshot();  // the first full paint is behind us
    for (int i = 0; i < session.Screen().Width(); ++i)
      Click(view, {Qt::Key_X, Qt::NoModifier, "x"});
    Click(view, {Qt::Key_Y, Qt::NoModifier, "y"});
    QCOMPARE(Row(session, 1), std::string("y"));
    const QImage image = view->Snapshot();
    const int cw = Peek(session).m_nCharWidth, ch = Peek(session).m_nCharHeight;
    int lit = 0;
    for (int y = ch; y < 2 * ch; ++y)
      for (int x = 0; x < cw; ++x) lit += qGray(image.pixel(x, y)) > 96;
    QVERIFY2(lit > 0, "the wrapped 'y' is not on the screen");
  }

  void altPageKeysPageTheHistoryAndPauseReturns() {
    KeyRig k;
    QVERIFY(k.Start());
    CTelnetSession& session = k.Session();
    QByteArray lines;
    for (int i = 0; i < 100; ++i) lines += "line " + QByteArray::number(i) + "\r\n";
    k.host.Send(lines);
    QTRY_COMPARE(Peek(session).m_nLineCount, 100u);
    const int page = session.Screen().Height();

    // Pause in the live view keeps it there.
    QCOMPARE(k.SentBy({{Qt::Key_Pause}}), QByteArray());
    QCOMPARE(Peek(session).m_nScrollBackPos, 0);

    QCOMPARE(k.SentBy({{Qt::Key_PageUp, Qt::AltModifier}, {Qt::Key_PageUp, Qt::AltModifier}}),
             QByteArray());
    QCOMPARE(Peek(session).m_nScrollBackPos, 2 * page);
    QCOMPARE(k.SentBy({{Qt::Key_PageDown, Qt::AltModifier}}), QByteArray());
    QCOMPARE(Peek(session).m_nScrollBackPos, page);
    // Keys typed while scrolled back go to the host; the view stays.
    QCOMPARE(k.SentBy({{Qt::Key_A, Qt::NoModifier, "a"}, {Qt::Key_PageUp}}),
             QByteArray("a\x1b[5~"));
    QCOMPARE(Peek(session).m_nScrollBackPos, page);
    QCOMPARE(k.SentBy({{Qt::Key_Pause}}), QByteArray());
    QCOMPARE(Peek(session).m_nScrollBackPos, 0);
    QCOMPARE(k.frame->ScrollBar()->value(), k.frame->ScrollBar()->maximum());
  }

  void applicationsKeyChecksTheScreenAndPauseUnloads() {
    QTemporaryDir dir;
    KeyRig k;
    QVERIFY(k.UseCatalogue(dir, "README.TXT,1234\n"));
    QVERIFY(k.Start());
    CTelnetSession& session = k.Session();
    auto attr = [&](int col) {
      return static_cast<unsigned char>(Peek(session).m_Attrs[0][static_cast<std::size_t>(col)]);
    };
    auto marked = [&] { return attr(0) != kDefaultAttr && attr(11) != kDefaultAttr; };
    k.host.Send("readme.txt 1234");
    QTRY_COMPARE(Row(session, 0), std::string("readme.txt 1234"));

    QCOMPARE(k.SentBy({{Qt::Key_Menu}}), QByteArray());
    QTRY_VERIFY_WITH_TIMEOUT(!Peek(session).m_bLineCheckBusy && marked(), 10000);
    QCOMPARE(k.rig.CountMessages("Database loaded (1/10)"), 1);
    QCOMPARE(attr(10), kDefaultAttr);  // the blank between name and size

    // The host rewrites the row; an auto-repeat press of the held key checks again.
    k.host.Send("\x1b[2K\rreadme.txt 1234");
    QTRY_VERIFY(!marked());
    RepeatPress(k.View(), Qt::Key_Menu);
    QTRY_VERIFY_WITH_TIMEOUT(!Peek(session).m_bLineCheckBusy && marked(), 10000);
    QCOMPARE(k.rig.CountMessages("Database loaded (1/10)"), 1);  // loaded once
    QTest::keyRelease(k.View(), Qt::Key_Menu);

    // Pause/Break unloads the idle database and says so; a second press has nothing to unload.
    QCOMPARE(k.SentBy({{Qt::Key_Pause}}), QByteArray());
    QVERIFY(Peek(session).m_pLineCheckDb == nullptr);
    QCOMPARE(k.rig.CountMessages("Database unloaded"), 1);
    QCOMPARE(k.SentBy({{Qt::Key_Pause}}), QByteArray());
    QCOMPARE(k.rig.CountMessages("Database unloaded"), 1);
  }

  // The worker's "Database loaded" notice leaves the keyboard to the terminal:
  // not modal, shown without activation; its end is reported once, by OK or
  // by the window going away with it.
  void databaseNoticeIsNotModalAndReportsItsEndOnce() {
    MemoryProfile profile;
    auto frame = std::make_unique<CMainFrame>(profile, CommandLine{}, FrameHooks{});
    frame->show();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    int closed = 0;
    frame->ShowNotice("Database loaded (1/10)", [&] { ++closed; });
    auto* box = frame->findChild<QMessageBox*>();
    QVERIFY(box && box->isVisible());
    QCOMPARE(box->text(), QStringLiteral("Database loaded (1/10)"));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(box->testAttribute(Qt::WA_ShowWithoutActivating));
    box->button(QMessageBox::Ok)->click();
    QTRY_COMPARE(closed, 1);
    frame->ShowNotice("Database loaded (2/10)", [&] { ++closed; });
    frame.reset();
    QCOMPARE(closed, 2);
  }

  void pauseWhileACheckRunsKeepsTheDatabase() {
    QTemporaryDir dir;
    KeyRig k;
    QVERIFY(k.UseCatalogue(dir, "A.TXT,1\n"));
    QVERIFY(k.Start());
    CTelnetSession& session = k.Session();
    Click(k.View(), {Qt::Key_Menu});
    QTRY_VERIFY_WITH_TIMEOUT(!Peek(session).m_bLineCheckBusy, 10000);
    QVERIFY(Peek(session).m_pLineCheckDb != nullptr);
    Peek(session).m_bLineCheckBusy = true;  // as while a check runs
    k.host.Send("x\r\n");
    QTRY_COMPARE(Peek(session).m_nLineCount, 1u);
    Click(k.View(), {Qt::Key_PageUp, Qt::AltModifier});
    QVERIFY(Peek(session).m_nScrollBackPos > 0);
    Click(k.View(), {Qt::Key_Pause});
    QCOMPARE(Peek(session).m_nScrollBackPos, 0);
    QVERIFY(Peek(session).m_pLineCheckDb != nullptr);
    QCOMPARE(k.rig.CountMessages("Database unloaded"), 0);
    Peek(session).m_bLineCheckBusy = false;

    // A catalogue that takes for ever to read: closing the window during its
    // load ends the session within a second, and no box of the check follows.
    Click(k.View(), {Qt::Key_Pause});
    QVERIFY(Peek(session).m_pLineCheckDb == nullptr);
    std::error_code ec;
    std::filesystem::resize_file(dir.filePath("cd0.csv").toStdString(), std::uintmax_t{64} << 30,
                                 ec);
    if (ec) QSKIP("no sparse files here");
    Click(k.View(), {Qt::Key_Menu});
    QTest::qWait(300);
    QVERIFY2(Peek(session).m_bLineCheckBusy, "the load ended by itself: nothing to stop");
    QVERIFY(k.frame->close());
    const std::size_t shown = k.rig.messages.size();
    QElapsedTimer ending;
    ending.start();
    k.rig.frame.reset();
    k.frame = nullptr;
    QVERIFY2(ending.elapsed() < 1000, QByteArray::number(ending.elapsed()) + " ms to end");
    QTest::qWait(100);  // a box posted meanwhile would be shown now
    QCOMPARE(k.rig.messages.size(), shown);
  }
};

QTEST_MAIN(KeysTest)
#include "KeysTest.moc"
