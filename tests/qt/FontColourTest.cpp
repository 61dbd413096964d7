// The Font and Background color commands with scripted dialogs: what the
// dialogs start with, what OK stores and changes, that Cancel changes nothing,
// and the start-up paths without a usable font.
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QListWidget>
#include <QScreen>
#include <QTest>

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "dialogs/TerminalFontDialog.h"
#include "frame/CommandIds.h"
#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"

namespace {
std::string Key(FrameRig& rig, const char* section, const char* key) {
  return rig.profile.Value(section, key);
}

// Another fixed-pitch family than the one "Terminal" resolves to, if any.
QString OtherMonospaceFamily(const QString& besides) {
  for (const QString& family : QFontDatabase::families())
    if (family != besides && QFontDatabase::isFixedPitch(family) &&
        !QFontDatabase::isPrivateFamily(family))
      return family;
  return {};
}
}  // namespace

class FontColourTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  void fontDialogStartsOnTheCurrentFontAndTextColour() {
    FrameRig rig;
    rig.profile.Set("Font", "Size", "130");
    rig.profile.Set("Color", "ForegroundG", "100");
    CMainFrame& frame = rig.Start();
    QFont shown;
    QColor colour;
    rig.dialogs = [&](QDialog& dialog) {
      auto& fonts = dynamic_cast<TerminalFontDialog&>(dialog);
      shown = fonts.SelectedFont();
      colour = fonts.TextColour();
      return static_cast<int>(QDialog::Rejected);
    };
    frame.Action(cmd::ID_OPTIONS_FONT)->trigger();
    QCOMPARE(qRound(shown.pointSizeF() * 10), 130);
    QVERIFY(!shown.italic());  // the style it really has, not the family's first one
    QCOMPARE(shown.family(),
             QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family());
    QCOMPARE(colour, QColor(192, 100, 192));
  }

  void fontOkTakesSizeAndColourKeepsTerminalAndFitsTheWindow() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    CTelnetSession& session = *frame.Session();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const QSize oldCell(Peek(session).m_nCharWidth, Peek(session).m_nCharHeight);
    rig.dialogs = [](QDialog& dialog) {
      auto& fonts = dynamic_cast<TerminalFontDialog&>(dialog);
      QFont font = fonts.SelectedFont();
      font.setPointSize(18);
      fonts.SetSelectedFont(font);
      fonts.SetTextColour(QColor(10, 200, 30));
      return static_cast<int>(QDialog::Accepted);
    };
    frame.Action(cmd::ID_OPTIONS_FONT)->trigger();
    QCOMPARE(Key(rig, "Font", "Name"), std::string("Terminal"));  // same family: kept
    QCOMPARE(Key(rig, "Font", "Size"), std::string("180"));
    QCOMPARE(QString::fromStdString(Key(rig, "Font", "Italic")), QStringLiteral("0"));
    QCOMPARE(Key(rig, "Font", "CharSet"), std::string("1"));
    QCOMPARE(Key(rig, "Color", "ForegroundR"), std::string("10"));
    QCOMPARE(Key(rig, "Color", "ForegroundG"), std::string("200"));
    QCOMPARE(Key(rig, "Color", "ForegroundB"), std::string("30"));
    QCOMPARE(Peek(session).m_crForeground, MakeColour(10, 200, 30));
    QCOMPARE(QString::fromLatin1(frame.TerminalCodePage().Name()), QStringLiteral("CP437"));
    const int cw = Peek(session).m_nCharWidth, ch = Peek(session).m_nCharHeight;
    QVERIFY(cw > oldCell.width() && ch > oldCell.height());
    QCOMPARE(frame.View()->CellSize(), QSize(cw, ch));
    // The window follows the new cell, and the screen is drawn again in it;
    // what does not fit on the display (offscreen's 800 x 800) is left out,
    // in whole cells.
    const QSize limit = frame.screen()->availableGeometry().size() -
                        (frame.frameGeometry().size() - frame.View()->size());
    const QSize shown(std::min(80, limit.width() / cw) * cw,
                      std::min(24, limit.height() / ch) * ch);
    QTRY_COMPARE(frame.View()->size(), shown);
    QCOMPARE(session.Screen().Width(), 80);
    const QImage image = frame.View()->Snapshot();
    QCOMPARE(image.size(), shown);
    QCOMPARE(image.pixel(cw / 2, ch - 3), qRgb(10, 200, 30));  // the cursor in the new colour
  }

  void anotherFamilyIsStoredByNameAndShowsWindows1252() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    const QString terminalFamily =
        QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
    const QString other = OtherMonospaceFamily(terminalFamily);
    if (other.isEmpty()) QSKIP("only one fixed-pitch family installed");
    rig.dialogs = [&](QDialog& dialog) {
      auto& fonts = dynamic_cast<TerminalFontDialog&>(dialog);
      QFont font(other);
      font.setPointSize(10);
      font.setItalic(true);
      fonts.SetSelectedFont(font);
      return static_cast<int>(QDialog::Accepted);
    };
    frame.Action(cmd::ID_OPTIONS_FONT)->trigger();
    QCOMPARE(QString::fromStdString(Key(rig, "Font", "Name")), other);
    QCOMPARE(Key(rig, "Font", "Size"), std::string("100"));
    QCOMPARE(Key(rig, "Font", "Italic"), std::string("1"));
    QCOMPARE(Key(rig, "Font", "CharSet"), std::string("1"));
    QCOMPARE(Key(rig, "Color", "ForegroundR"), std::string("192"));
    QCOMPARE(QString::fromLatin1(frame.TerminalCodePage().Name()), QStringLiteral("Windows-1252"));
    QVERIFY(rig.messages.empty());
  }

  // Every state of [Font] can be reached and left from the dialog: the
  // dialog starts on the stored face and script, and OK stores the choice.
  void faceAndScriptRoundTrips_data() {
    QTest::addColumn<bool>("startTerminal");
    QTest::addColumn<int>("startCharSet");
    QTest::addColumn<bool>("chooseTerminal");
    QTest::addColumn<bool>("chooseOem");
    QTest::addColumn<int>("storedCharSet");
    QTest::addColumn<QString>("codePage");
    QTest::newRow("Terminal -> other, Western")
        << true << 1 << false << false << 1 << "Windows-1252";
    QTest::newRow("Terminal OEM -> other, Western")
        << true << 255 << false << false << 0 << "Windows-1252";
    QTest::newRow("other -> Terminal, script kept") << false << 1 << true << false << 1 << "CP437";
    QTest::newRow("other -> Terminal, OEM/DOS") << false << 0 << true << true << 255 << "CP437";
    QTest::newRow("other -> OEM/DOS") << false << 1 << false << true << 255 << "CP437";
    QTest::newRow("other OEM -> Western") << false << 255 << false << false << 0 << "Windows-1252";
    QTest::newRow("other, other charset kept by Western")
        << false << 238 << false << false << 238 << "Windows-1252";
  }
  void faceAndScriptRoundTrips() {
    QFETCH(bool, startTerminal);
    QFETCH(int, startCharSet);
    QFETCH(bool, chooseTerminal);
    QFETCH(bool, chooseOem);
    QFETCH(int, storedCharSet);
    QFETCH(QString, codePage);
    const QString other = OtherMonospaceFamily(
        QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family());
    if (other.isEmpty()) QSKIP("only one fixed-pitch family installed");
    FrameRig rig;
    rig.profile.Set("Font", "Name", startTerminal ? "Terminal" : other.toStdString());
    rig.profile.Set("Font", "CharSet", std::to_string(startCharSet));
    CMainFrame& frame = rig.Start();
    QString presetFace, firstFace;
    bool presetOem = false;
    rig.dialogs = [&](QDialog& dialog) {
      auto& fonts = dynamic_cast<TerminalFontDialog&>(dialog);
      presetFace = fonts.Face();
      presetOem = fonts.ScriptBox()->currentIndex() == 1;
      firstFace = fonts.FaceList()->item(0)->text();
      if (!fonts.SetFace(chooseTerminal ? QStringLiteral("Terminal") : other)) return 0;
      fonts.SetOemScript(chooseOem);
      return static_cast<int>(QDialog::Accepted);
    };
    frame.Action(cmd::ID_OPTIONS_FONT)->trigger();
    QCOMPARE(firstFace, QStringLiteral("Terminal"));
    QCOMPARE(presetFace, startTerminal ? QStringLiteral("Terminal") : other);
    QCOMPARE(presetOem, startCharSet == 255);
    QCOMPARE(QString::fromStdString(Key(rig, "Font", "Name")),
             chooseTerminal ? QStringLiteral("Terminal") : other);
    QCOMPARE(Key(rig, "Font", "CharSet"), std::to_string(storedCharSet));
    QCOMPARE(QString::fromLatin1(frame.TerminalCodePage().Name()), codePage);
  }

  void cancelChangesNothing() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    CTelnetSession& session = *frame.Session();
    const QSize cell(Peek(session).m_nCharWidth, Peek(session).m_nCharHeight);
    rig.profile.Set("Font", "Size", "999");  // so a write would show
    rig.profile.Set("Color", "BackgroundR", "77");
    rig.dialogs = [](QDialog& dialog) {
      if (auto* fonts = dynamic_cast<TerminalFontDialog*>(&dialog)) {
        QFont font = fonts->SelectedFont();
        font.setPointSize(30);
        fonts->SetSelectedFont(font);
        fonts->SetTextColour(Qt::red);
      } else {
        dynamic_cast<QColorDialog&>(dialog).setCurrentColor(Qt::blue);
      }
      return static_cast<int>(QDialog::Rejected);
    };
    frame.Action(cmd::ID_OPTIONS_FONT)->trigger();
    frame.Action(cmd::ID_OPTIONS_BACKGROUND_COLOR)->trigger();
    QCOMPARE(QSize(Peek(session).m_nCharWidth, Peek(session).m_nCharHeight), cell);
    QCOMPARE(Peek(session).m_crForeground, MakeColour(192, 192, 192));
    QCOMPARE(Peek(session).m_crBackground, MakeColour(0, 0, 0));
    QCOMPARE(Key(rig, "Font", "Size"), std::string("999"));
    QCOMPARE(Key(rig, "Color", "BackgroundR"), std::string("77"));
  }

  void backgroundOkStoresAndRepaintsWithTheColour() {
    FrameRig rig;
    rig.profile.Set("Color", "BackgroundB", "40");
    CMainFrame& frame = rig.Start();
    CTelnetSession& session = *frame.Session();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QColor preset;
    rig.dialogs = [&](QDialog& dialog) {
      auto& colours = dynamic_cast<QColorDialog&>(dialog);
      preset = colours.currentColor();
      colours.setCurrentColor(QColor(0, 90, 20));
      return static_cast<int>(QDialog::Accepted);
    };
    frame.Action(cmd::ID_OPTIONS_BACKGROUND_COLOR)->trigger();
    QCOMPARE(preset, QColor(0, 0, 40));
    QCOMPARE(Peek(session).m_crBackground, MakeColour(0, 90, 20));
    QCOMPARE(Key(rig, "Color", "BackgroundR"), std::string("0"));
    QCOMPARE(Key(rig, "Color", "BackgroundG"), std::string("90"));
    QCOMPARE(Key(rig, "Color", "BackgroundB"), std::string("20"));
    // Every row is drawn again on the new background, not just changed ones.
    const QImage image = frame.View()->Snapshot();
    QCOMPARE(image.pixel(image.width() - 1, image.height() - 1), qRgb(0, 90, 20));
    QCOMPARE(image.pixel(Peek(session).m_nCharWidth * 40, Peek(session).m_nCharHeight * 12),
             qRgb(0, 90, 20));
  }

  void startUpWithoutAFaceTellsTheUserAndStillDraws() {
    FrameRig rig;
    rig.profile.Set("Font", "Name", "");
    CMainFrame& frame = rig.Start();
    QCOMPARE(rig.CountMessages("No font is selected"), 1);
    QCOMPARE(rig.messages.front().kind, MessageKind::Stop);
    // Nothing is stored, and the screen is still drawn (in the default font).
    QCOMPARE(Key(rig, "Font", "Name"), std::string());
    QVERIFY(Key(rig, "Font", "Size").empty());
    QVERIFY(Key(rig, "Color", "ForegroundR").empty());
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    CTelnetSession& session = *frame.Session();
    Peek(session).m_Text[0].replace(0, 5, "HELLO");
    Peek(session).m_DirtyLines[0] = 1;
    session.DrawNow(true);
    const QImage image = frame.View()->Snapshot();
    int lit = 0;
    for (int x = 0; x < 5 * Peek(session).m_nCharWidth; ++x)
      for (int y = 0; y < Peek(session).m_nCharHeight; ++y) lit += qGray(image.pixel(x, y)) > 96;
    QVERIFY(lit > 0);
  }
};

QTEST_MAIN(FontColourTest)
#include "FontColourTest.moc"
