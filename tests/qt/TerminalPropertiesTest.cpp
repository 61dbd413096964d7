// The Terminal properties dialog on the frame (its texts and first values are
// in tests/data/golden/terminal-properties.txt): tab order, mnemonics, the
// values it opens with, refused fields, and what OK applies and stores (the
// screen size and history only when they changed, as the bytes sent to a
// loopback host show). Cancel changes nothing.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "dialogs/TerminalPropertiesDialog.h"
#include "frame/CommandIds.h"
#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"

namespace {

constexpr int IAC = 255, DO = 253, WILL = 251, SB = 250, SE = 240, TTYPE = 24, NAWS = 31;

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out.append(static_cast<char>(v));
  return out;
}

// Runs the Terminal properties command; `script` acts on the shown dialog,
// which is cancelled if the script leaves it open. False when no dialog came.
bool Drive(FrameRig& rig, const std::function<void(CTerminalPropertiesDlg&)>& script) {
  bool ran = false;
  rig.dialogs = [&](QDialog& dialog) {
    auto* properties = qobject_cast<CTerminalPropertiesDlg*>(&dialog);
    if (!properties) return static_cast<int>(QDialog::Rejected);
    ran = true;
    properties->show();
    properties->activateWindow();
    if (!QTest::qWaitForWindowActive(properties)) return static_cast<int>(QDialog::Rejected);
    script(*properties);
    if (properties->isVisible()) properties->reject();
    return properties->result();
  };
  rig.frame->Action(cmd::ID_OPTIONS_TERMINAL)->trigger();
  rig.dialogs = nullptr;
  return ran;
}

void SetFields(CTerminalPropertiesDlg& d, const QString& width, const QString& height,
               const QString& buffer) {
  d.WidthEdit()->setText(width);
  d.HeightEdit()->setText(height);
  d.BufferEdit()->setText(buffer);
}

std::vector<std::string> Writes(const MemoryProfile& profile, std::size_t from) {
  std::vector<std::string> out;
  for (std::size_t i = from; i < profile.writes.size(); ++i) {
    const auto& w = profile.writes[i];
    out.push_back(w.section + "/" + w.key + "=" + w.value);
  }
  return out;
}

// A frame connected to a loopback host that has agreed to window-size reports.
struct NegotiatedFrame {
  LoopbackHost host;
  FrameRig rig;
  bool Start() {
    rig.Start("127.0.0.1", host.Port());
    if (!host.WaitForPeer()) return false;
    host.Send(Bytes({IAC, DO, TTYPE}));
    if (host.Take(6) != Bytes({IAC, WILL, NAWS, IAC, WILL, TTYPE})) return false;
    host.Send(Bytes({IAC, DO, NAWS}));
    return host.Take(12) == Bytes({IAC, SB, NAWS, 0, 80, 0, 24, IAC, SE, IAC, WILL, NAWS});
  }
};

const std::vector<std::string> kSixOptionKeys = {"Emulation", "ApplicationMode", "Backspace",
                                                 "LocalEcho", "BlockCursor",     "ReverseColor"};

}  // namespace

class TerminalPropertiesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  void tabOrderAndMnemonics() {
    FrameRig rig;
    rig.Start();
    QVERIFY(Drive(rig, [](CTerminalPropertiesDlg& d) {
      // Tab order: the buttons, then the groups as laid out; Tab enters a
      // radio group at its checked button.
      QWidget* expected[] = {d.OkButton(),
                             d.CancelButton(),
                             d.Vt100Radio(),
                             d.ApplicationRadio(),
                             d.SendsBackspaceRadio(),
                             d.WidthEdit(),
                             d.HeightEdit(),
                             d.BufferEdit(),
                             d.LocalEchoCheck(),
                             d.BlockCursorCheck(),
                             d.ReverseColorCheck(),
                             d.KeepAliveEdit(),
                             d.HostText8BitRadio(),
                             d.OkButton()};
      d.OkButton()->setFocus();
      for (std::size_t i = 1; i < std::size(expected); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected[i]);
      }

      // Mnemonics move the focus to their field or group.
      const std::pair<Qt::Key, QWidget*> mnemonics[] = {
          {Qt::Key_W, d.WidthEdit()},        {Qt::Key_H, d.HeightEdit()},
          {Qt::Key_F, d.BufferEdit()},       {Qt::Key_E, d.Vt100Radio()},
          {Qt::Key_A, d.ApplicationRadio()}, {Qt::Key_B, d.SendsBackspaceRadio()},
          {Qt::Key_K, d.KeepAliveEdit()},    {Qt::Key_T, d.HostText8BitRadio()}};
      for (const auto& [key, widget] : mnemonics) {
        QTest::keyClick(&d, key, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), widget);
      }
      QTest::keyClick(&d, Qt::Key_L, Qt::AltModifier);
      QTRY_VERIFY(d.LocalEchoCheck()->isChecked());
    }));
  }

  void opensWithTheStoredStateAndStoresItBack() {
    FrameRig rig;
    rig.profile.Set("Options", "Emulation", "1");
    rig.profile.Set("Options", "ApplicationMode", "7");  // any nonzero value is on
    rig.profile.Set("Options", "Backspace", "0");
    rig.profile.Set("Options", "LocalEcho", "1");
    rig.profile.Set("Options", "BlockCursor", "1");
    rig.profile.Set("Options", "ReverseColor", "0");
    rig.profile.Set("Screen", "BufferSize", "2500");
    rig.Start();
    const std::size_t before = rig.profile.writes.size();
    QVERIFY(Drive(rig, [](CTerminalPropertiesDlg& d) {
      QVERIFY(d.AnsiRadio()->isChecked() && !d.Vt100Radio()->isChecked());
      QVERIFY(d.ApplicationRadio()->isChecked() && !d.CursorRadio()->isChecked());
      QVERIFY(d.SendsDeleteRadio()->isChecked() && !d.SendsBackspaceRadio()->isChecked());
      QCOMPARE(d.BufferEdit()->text(), QStringLiteral("2500"));
      QVERIFY(d.LocalEchoCheck()->isChecked() && d.BlockCursorCheck()->isChecked() &&
              !d.ReverseColorCheck()->isChecked());
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    }));
    // Nothing changed: the six options are written again, size and history are not.
    QCOMPARE(Writes(rig.profile, before),
             (std::vector<std::string>{"Options/Emulation=1", "Options/ApplicationMode=1",
                                       "Options/Backspace=0", "Options/LocalEcho=1",
                                       "Options/BlockCursor=1", "Options/ReverseColor=0"}));
  }

  void refusedFieldsAreReportedInOrderAndFocused_data() {
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("buffer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keepalive");
    const QString side = QStringLiteral("Please enter an integer between 1 and 255.");
    const QString lines = QStringLiteral("Please enter an integer between 1000 and 65536.");
    const QString integer = QStringLiteral("Please enter an integer.");
    const QString seconds = QStringLiteral("Please enter an integer between 0 and 3600.");
    QTest::newRow("buffer 999") << "80"
                                << "24"
                                << "999" << lines << "buffer"
                                << "0";
    QTest::newRow("buffer 65537") << "80"
                                  << "24"
                                  << "65537" << lines << "buffer"
                                  << "0";
    QTest::newRow("buffer empty") << "80"
                                  << "24"
                                  << "" << integer << "buffer"
                                  << "0";
    QTest::newRow("buffer huge") << "80"
                                 << "24"
                                 << "99999999999999999999999" << lines << "buffer"
                                 << "0";
    QTest::newRow("height 0") << "80"
                              << "0"
                              << "1000" << side << "height"
                              << "0";
    QTest::newRow("height 256") << "80"
                                << "256"
                                << "1000" << side << "height"
                                << "0";
    QTest::newRow("height empty") << "80"
                                  << ""
                                  << "1000" << integer << "height"
                                  << "0";
    QTest::newRow("width 256") << "256"
                               << "24"
                               << "1000" << side << "width"
                               << "0";
    QTest::newRow("width 0") << "0"
                             << "24"
                             << "1000" << side << "width"
                             << "0";
    QTest::newRow("width empty") << ""
                                 << "24"
                                 << "1000" << integer << "width"
                                 << "0";
    // Only the first refusal in the order buffer, height, width, keepalive is reported.
    QTest::newRow("all three") << "0"
                               << "0"
                               << "1" << lines << "buffer"
                               << "0";
    QTest::newRow("height and width") << "999"
                                      << "999"
                                      << "1000" << side << "height"
                                      << "0";
    QTest::newRow("keepalive 3601") << "80"
                                    << "24"
                                    << "1000" << seconds << "keepalive"
                                    << "3601";
    QTest::newRow("keepalive empty") << "80"
                                     << "24"
                                     << "1000" << integer << "keepalive"
                                     << "";
    QTest::newRow("width before keepalive") << "0"
                                            << "24"
                                            << "1000" << side << "width"
                                            << "3601";
  }
  void refusedFieldsAreReportedInOrderAndFocused() {
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QString, buffer);
    QFETCH(QString, message);
    QFETCH(QString, field);
    QFETCH(QString, keepalive);
    FrameRig rig;
    rig.Start();
    const std::size_t before = rig.profile.writes.size();
    QVERIFY(Drive(rig, [&](CTerminalPropertiesDlg& d) {
      SetFields(d, width, height, buffer);
      d.KeepAliveEdit()->setText(keepalive);
      d.AnsiRadio()->setChecked(true);
      d.LocalEchoCheck()->setChecked(true);
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
      QCOMPARE(rig.messages.size(), std::size_t{1});
      QCOMPARE(QString::fromStdString(rig.messages[0].text), message);
      QCOMPARE(rig.messages[0].kind, MessageKind::Stop);
      QVERIFY(d.isVisible());  // still open
      QLineEdit* refused = field == "buffer"   ? d.BufferEdit()
                           : field == "height" ? d.HeightEdit()
                           : field == "width"  ? d.WidthEdit()
                                               : d.KeepAliveEdit();
      QCOMPARE(QApplication::focusWidget(), refused);
      QCOMPARE(refused->selectedText(), refused->text());
    }));
    // Left open, then cancelled: nothing was applied or stored.
    QCOMPARE(Writes(rig.profile, before), std::vector<std::string>{});
    QCOMPARE(rig.frame->Session()->Emulation(), 0);
  }

  void fieldsTakeDigitsOnly() {
    FrameRig rig;
    rig.Start();
    QVERIFY(Drive(rig, [](CTerminalPropertiesDlg& d) {
      d.WidthEdit()->clear();
      QTest::keyClicks(d.WidthEdit(), QStringLiteral("-1 2x3"));
      QCOMPARE(d.WidthEdit()->text(), QStringLiteral("123"));
    }));
  }

  void boundaryValuesAreAccepted() {
    NegotiatedFrame c;
    QVERIFY(c.Start());
    QVERIFY(Drive(c.rig, [](CTerminalPropertiesDlg& d) {
      SetFields(d, QStringLiteral("255"), QStringLiteral("1"), QStringLiteral("65536"));
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
      QVERIFY(!d.isVisible());
    }));
    CTelnetSession& session = *c.rig.frame->Session();
    QCOMPARE(session.Screen().Width(), 255);
    QCOMPARE(session.Screen().Height(), 1);
    QCOMPARE(session.Screen().BufferSize(), 65536u);
    // A side of 255 is doubled in the report, as IAC must be.
    QCOMPARE(c.host.Take(10).toHex(' '),
             Bytes({IAC, SB, NAWS, 0, 255, 255, 0, 1, IAC, SE}).toHex(' '));
    QVERIFY(c.rig.messages.empty());
    QVERIFY(Drive(c.rig, [](CTerminalPropertiesDlg& d) {
      SetFields(d, QStringLiteral("80"), QStringLiteral("24"), QStringLiteral("1000"));
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    }));
    QCOMPARE(session.Screen().BufferSize(), 1000u);
  }

  void onlyAChangedSizeIsResizedAndOnlyAChangedHistoryIsSet() {
    NegotiatedFrame c;
    QVERIFY(c.Start());
    CTelnetSession& session = *c.rig.frame->Session();

    // Unchanged: no window-size report, no Screen key.
    std::size_t before = c.rig.profile.writes.size();
    QVERIFY(Drive(
        c.rig, [](CTerminalPropertiesDlg& d) { QTest::mouseClick(d.OkButton(), Qt::LeftButton); }));
    QTest::qWait(100);
    QCOMPARE(c.host.Pending(), QByteArray());
    std::vector<std::string> expected;
    for (const std::string& key : kSixOptionKeys)
      expected.push_back("Options/" + key + "=" + c.rig.profile.Value("Options", key));
    QCOMPARE(Writes(c.rig.profile, before), expected);

    // Only the height: Resize with the unchanged width, reported to the host.
    Peek(session).m_History[0] = "kept";
    Peek(session).m_nLineCount = 1;
    before = c.rig.profile.writes.size();
    QVERIFY(Drive(c.rig, [](CTerminalPropertiesDlg& d) {
      d.HeightEdit()->setText(QStringLiteral("30"));
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    }));
    QCOMPARE(c.host.Take(9).toHex(' '), Bytes({IAC, SB, NAWS, 0, 80, 0, 30, IAC, SE}).toHex(' '));
    QCOMPARE(session.Screen().Height(), 30);
    QCOMPARE(session.Screen().Width(), 80);
    QCOMPARE(Peek(session).m_nLineCount, 1u);  // the history was not reset
    const std::vector<std::string> writes = Writes(c.rig.profile, before);
    QVERIFY(std::find(writes.begin(), writes.end(), "Screen/Height=30") != writes.end());
    for (const std::string& w : writes) QVERIFY(w.find("BufferSize") == std::string::npos);

    // Only the history: SetBufferSize, no report.
    before = c.rig.profile.writes.size();
    QVERIFY(Drive(c.rig, [](CTerminalPropertiesDlg& d) {
      d.BufferEdit()->setText(QStringLiteral("2000"));
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    }));
    QCOMPARE(session.Screen().BufferSize(), 2000u);
    QCOMPARE(Peek(session).m_nLineCount, 0u);
    QCOMPARE(Writes(c.rig.profile, before),
             (std::vector<std::string>{"Options/Emulation=0", "Options/ApplicationMode=1",
                                       "Options/Backspace=1", "Screen/BufferSize=2000",
                                       "Options/LocalEcho=0", "Options/BlockCursor=0",
                                       "Options/ReverseColor=0"}));
    QTest::qWait(100);
    QCOMPARE(c.host.Pending(), QByteArray());
  }

  void okAppliesEveryOptionAndRepaints() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    CTelnetSession& session = *frame.Session();
    auto cornerIsLight = [&] {
      const QImage image = frame.View()->Snapshot();
      return qGray(image.pixel(image.width() - 1, image.height() - 1)) > 96;
    };
    QVERIFY(!cornerIsLight());
    QVERIFY(Drive(rig, [](CTerminalPropertiesDlg& d) {
      d.AnsiRadio()->setChecked(true);
      d.CursorRadio()->setChecked(true);
      d.SendsDeleteRadio()->setChecked(true);
      d.LocalEchoCheck()->setChecked(true);
      d.BlockCursorCheck()->setChecked(true);
      d.ReverseColorCheck()->setChecked(true);
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    }));
    QCOMPARE(session.Emulation(), 1);
    QVERIFY(Peek(session).m_bBlockCursor);
    QVERIFY(Peek(session).m_bReverseColor);
    for (const auto& [key, value] : {std::pair{"Emulation", "1"}, std::pair{"ApplicationMode", "0"},
                                     std::pair{"Backspace", "0"}, std::pair{"LocalEcho", "1"},
                                     std::pair{"BlockCursor", "1"}, std::pair{"ReverseColor", "1"}})
      QCOMPARE(rig.profile.Value("Options", key), std::string(value));
    QVERIFY(cornerIsLight());  // repainted with the reversed colours

    // The frame kept its new values: the dialog opens with them.
    QVERIFY(Drive(rig, [](CTerminalPropertiesDlg& d) {
      QVERIFY(d.AnsiRadio()->isChecked() && d.CursorRadio()->isChecked() &&
              d.SendsDeleteRadio()->isChecked() && d.LocalEchoCheck()->isChecked());
    }));
  }

  // Keepalive set in the dialog: stored, shown again, and an idle loopback
  // host gets one IAC NOP per period of the test's clock, none while typing.
  void aKeepaliveSetHereSendsNopsToAnIdleHost() {
    LoopbackHost host;
    FrameRig rig;
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    QVERIFY(host.WaitForPeer());
    QVERIFY(Drive(rig, [](CTerminalPropertiesDlg& d) {
      d.KeepAliveEdit()->setText(QStringLiteral("5"));
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    }));
    QCOMPARE(rig.profile.Value("Options", "KeepAlive"), std::string("5"));
    QVERIFY(Drive(rig, [](CTerminalPropertiesDlg& d) {
      QCOMPARE(d.KeepAliveEdit()->text(), QStringLiteral("5"));
    }));
    const QByteArray nop = Bytes({IAC, 241});
    const struct {
      int seconds;
      bool typed;
      QByteArray sent;
    } ticks[] = {{4, false, {}}, {1, false, nop}, {4, true, "x"}, {4, false, {}}, {1, false, nop}};
    for (const auto& tick : ticks) {
      rig.now += tick.seconds;
      if (tick.typed) QTest::keyClick(frame.View(), Qt::Key_X);
      frame.OnTimer();
      if (!tick.sent.isEmpty()) QCOMPARE(host.Take(tick.sent.size()), tick.sent);
      QTest::qWait(50);
      QCOMPARE(host.Pending(), QByteArray());
    }
  }

  // UTF-8 chosen here, while connected: stored and shown again; the host's
  // UTF-8 lands in the code page's cells, BINARY goes with the window-size
  // offer (Enter then sends CR alone), and typed, pasted and middle-button
  // text goes out as UTF-8 while a macro goes out as stored.
  void utf8HostTextSetHereDecodesAndSendsUtf8() {
    LoopbackHost host;
    FrameRig rig;
    rig.profile.Set("Macro", "F12", "caf\xc3\xa9");
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    frame.show();
    QVERIFY(host.WaitForPeer() && QTest::qWaitForWindowActive(&frame));
    QVERIFY(Drive(rig, [](CTerminalPropertiesDlg& d) {
      d.HostTextUtf8Radio()->setChecked(true);
      QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    }));
    QCOMPARE(rig.profile.Value("Options", "HostText"), std::string("1"));
    QVERIFY(
        Drive(rig, [](CTerminalPropertiesDlg& d) { QVERIFY(d.HostTextUtf8Radio()->isChecked()); }));

    frame.activateWindow();  // back from the dialogs, for the shortcuts
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    CTelnetSession& session = *frame.Session();
    host.Send(QByteArray("caf\xc3") + Bytes({IAC, DO, TTYPE}) + QByteArray("\xa9 \xe2\x94\x80"));
    QCOMPARE(host.Take(9), Bytes({IAC, WILL, NAWS, IAC, WILL, 0, IAC, WILL, TTYPE}));
    QTRY_COMPARE(Peek(session).m_Text[0].substr(0, 6), std::string("caf\x82 \xc4"));  // CP437

    QTest::sendKeyEvent(QTest::Click, frame.View(), Qt::Key_Eacute, QStringLiteral("\u00e9"),
                        Qt::NoModifier);
    QCOMPARE(host.Take(2).toHex(' '), QByteArray("\xc3\xa9").toHex(' '));
    QTest::keyClick(frame.View(), Qt::Key_Return);  // under BINARY, CR alone is the line end
    QCOMPARE(host.Take(1), QByteArray("\r"));
    QGuiApplication::clipboard()->setText(QStringLiteral("\u201cq\u201d"));
    QTest::keyClick(frame.View(), Qt::Key_Insert, Qt::ShiftModifier);  // Paste
    QCOMPARE(host.Take(7).toHex(' '), QByteArray("\xe2\x80\x9cq\xe2\x80\x9d").toHex(' '));
    const int w = Peek(session).m_nCharWidth, h = Peek(session).m_nCharHeight;
    QTest::mousePress(frame.View(), Qt::LeftButton, Qt::NoModifier, {w / 2, h / 2});
    QTest::mouseMove(frame.View(), {5 * w + w / 2, h / 2});
    QTest::mouseRelease(frame.View(), Qt::LeftButton, Qt::NoModifier, {5 * w + w / 2, h / 2});
    QTest::mouseClick(frame.View(), Qt::MiddleButton, Qt::NoModifier, {w, 5 * h});
    QCOMPARE(host.Take(9).toHex(' '), QByteArray("caf\xc3\xa9 \xe2\x94\x80").toHex(' '));
    QTest::keyPress(frame.View(), Qt::Key_Menu);
    QTest::keyClick(frame.View(), Qt::Key_F12);
    QTest::keyRelease(frame.View(), Qt::Key_Menu);
    QCOMPARE(host.Take(5).toHex(' '), QByteArray("caf\xc3\xa9").toHex(' '));
  }

  void cancelChangesNothing() {
    FrameRig rig;
    rig.Start();
    const std::size_t before = rig.profile.writes.size();
    for (bool byEscape : {false, true}) {
      QVERIFY(Drive(rig, [&](CTerminalPropertiesDlg& d) {
        SetFields(d, QStringLiteral("100"), QStringLiteral("40"), QStringLiteral("3000"));
        d.AnsiRadio()->setChecked(true);
        d.ReverseColorCheck()->setChecked(true);
        if (byEscape)
          QTest::keyClick(&d, Qt::Key_Escape);
        else
          QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
        QVERIFY(!d.isVisible());
      }));
    }
    CTelnetSession& session = *rig.frame->Session();
    QCOMPARE(session.Screen().Width(), 80);
    QCOMPARE(session.Screen().BufferSize(), 1000u);
    QCOMPARE(session.Emulation(), 0);
    QVERIFY(!Peek(session).m_bReverseColor);
    QCOMPARE(Writes(rig.profile, before), std::vector<std::string>{});
  }
};

QTEST_MAIN(TerminalPropertiesTest)
#include "TerminalPropertiesTest.moc"
