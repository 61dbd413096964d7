// The Macro dialog on its own (fields and tab order; texts in
// tests/data/golden/macro.txt) and run
// by the Macro command: OK stores all twelve texts as typed, every way of
// cancelling changes nothing, and an edit takes effect at the next key press.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "dialogs/MacroDialog.h"
#include "frame/CommandIds.h"
#include "view/TerminalView.h"

namespace {

CMacroDlg::Texts SomeMacros() {
  CMacroDlg::Texts texts;
  for (std::size_t i = 0; i < texts.size(); ++i)
    if (i % 3 != 2) texts[i] = "text " + std::to_string(i + 1) + "\\r";  // F3, F6, ... empty
  return texts;
}

// A frame whose modal dialogs are run by `drive`, which gets the real dialog.
struct MacroRig {
  FrameRig rig;
  int dialogsRun = 0;
  std::function<int(CMacroDlg&)> drive;

  CMainFrame& Start(const std::string& host = {}, unsigned port = 23) {
    FrameHooks hooks = rig.Hooks();
    hooks.runDialog = [this](QDialog& dialog) {
      ++dialogsRun;
      auto* macro = dynamic_cast<CMacroDlg*>(&dialog);
      return macro && drive ? drive(*macro) : static_cast<int>(QDialog::Rejected);
    };
    CommandLine line;
    line.host = host;
    line.port = port;
    rig.frame = std::make_unique<CMainFrame>(rig.profile, line, hooks);
    return *rig.frame;
  }
};

// Runs the dialog modally while `act` works on it from inside its event loop.
int RunWhile(CMacroDlg& dialog, std::function<void()> act) {
  QTimer::singleShot(0, &dialog, std::move(act));
  return dialog.exec();
}

}  // namespace

class MacroDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  void fieldsShowTheTextsInTabOrder() {
    const CMacroDlg::Texts texts = SomeMacros();
    CMacroDlg dialog(texts);
    for (int k = 1; k <= 12; ++k)
      QCOMPARE(dialog.Field(k)->text().toStdString(), texts[static_cast<std::size_t>(k - 1)]);

    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), dialog.Field(1));
    QList<QWidget*> chain;
    for (int i = 0; i < 14; ++i) {
      chain << QApplication::focusWidget();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (int k = 1; k <= 12; ++k) QCOMPARE(chain[k - 1], dialog.Field(k));
    QCOMPARE(chain[12], dialog.OkButton());
    QCOMPARE(chain[13], dialog.CancelButton());
  }

  void textsComeBackAsTypedWithoutALengthLimit() {
    CMacroDlg::Texts texts;
    texts[0] = std::string(40000, 'x');  // longer than a default line edit takes
    texts[1] = "caf\xe9";                // not UTF-8: a profile written elsewhere
    texts[2] = "caf\xc3\xa9";            // UTF-8
    CMacroDlg dialog(texts);
    QCOMPARE(dialog.Macros(), texts);  // untouched fields give back their bytes
    dialog.Field(2)->setText(QStringLiteral("new \\e"));
    dialog.Field(4)->setText(QStringLiteral("\u00fc\\\\"));
    const CMacroDlg::Texts edited = dialog.Macros();
    QCOMPARE(edited[0].size(), std::size_t{40000});
    QCOMPARE(edited[1], std::string("new \\e"));
    QCOMPARE(edited[2], texts[2]);
    QCOMPARE(edited[3], std::string("\xc3\xbc\\\\"));
  }

  void okStoresAllTwelveAsTyped() {
    MacroRig m;
    const CMacroDlg::Texts before = SomeMacros();
    for (int k = 1; k <= 12; ++k)
      m.rig.profile.Set("Macro", "F" + std::to_string(k), before[static_cast<std::size_t>(k - 1)]);
    CMainFrame& frame = m.Start();
    QCOMPARE(frame.Macros(), before);
    m.rig.profile.writes.clear();  // the session stores its start-up settings
    m.drive = [](CMacroDlg& dialog) {
      return RunWhile(dialog, [&dialog] {
        dialog.Field(1)->clear();
        QTest::keyClicks(dialog.Field(3), QStringLiteral("ls -l\\r"));
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
      });
    };
    frame.OnOptionsMacro();
    QCOMPARE(m.dialogsRun, 1);

    CMacroDlg::Texts expected = before;
    expected[0] = "";
    expected[2] = "ls -l\\r";
    QCOMPARE(frame.Macros(), expected);
    // Every key is written, in order, changed or not, empty ones empty.
    const auto& writes = m.rig.profile.writes;
    QCOMPARE(writes.size(), std::size_t{12});
    for (int k = 1; k <= 12; ++k) {
      const MemoryProfile::Write& w = writes[static_cast<std::size_t>(k - 1)];
      QCOMPARE(w.section, std::string("Macro"));
      QCOMPARE(w.key, "F" + std::to_string(k));
      QCOMPARE(w.value, expected[static_cast<std::size_t>(k - 1)]);
    }

    // OK without changes rewrites them all again.
    m.drive = [](CMacroDlg& dialog) {
      return RunWhile(dialog, [&dialog] { QTest::keyClick(dialog.Field(5), Qt::Key_Return); });
    };
    frame.OnOptionsMacro();
    QCOMPARE(writes.size(), std::size_t{24});
    QCOMPARE(frame.Macros(), expected);
  }

  void cancellingChangesNothing_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Cancel") << 0;
    QTest::newRow("Esc") << 1;
    QTest::newRow("close box") << 2;
  }

  void cancellingChangesNothing() {
    QFETCH(int, way);
    MacroRig m;
    m.rig.profile.Set("Macro", "F1", "keep");
    CMainFrame& frame = m.Start();
    m.rig.profile.writes.clear();
    m.drive = [way](CMacroDlg& dialog) {
      return RunWhile(dialog, [&dialog, way] {
        dialog.Field(1)->setText(QStringLiteral("changed"));
        dialog.Field(12)->setText(QStringLiteral("changed too"));
        if (way == 0)
          QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        else if (way == 1)
          QTest::keyClick(dialog.Field(1), Qt::Key_Escape);
        else
          dialog.close();
      });
    };
    frame.OnOptionsMacro();
    QCOMPARE(m.dialogsRun, 1);
    QCOMPARE(frame.Macros()[0], std::string("keep"));
    QCOMPARE(frame.Macros()[11], std::string());
    QVERIFY(m.rig.profile.writes.empty());
  }

  void altMOpensTheEditorAndAnEditTakesEffectAtTheNextPress() {
    LoopbackHost host;
    MacroRig m;
    m.rig.profile.Set("Macro", "F3", "old");
    CMainFrame& frame = m.Start("127.0.0.1", host.Port());
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QVERIFY(host.WaitForPeer());
    m.drive = [](CMacroDlg& dialog) {
      dialog.Field(3)->setText(QStringLiteral("\\e[A"));
      return static_cast<int>(QDialog::Accepted);
    };
    QTest::keyClick(frame.View(), Qt::Key_M, Qt::AltModifier);
    QCOMPARE(m.dialogsRun, 1);
    QCOMPARE(m.rig.profile.Value("Macro", "F3"), std::string("\\e[A"));

    QTest::keyPress(frame.View(), Qt::Key_Menu);
    QTest::keyClick(frame.View(), Qt::Key_F3);
    QTest::keyRelease(frame.View(), Qt::Key_Menu);
    QCOMPARE(host.Take(3), QByteArray("\x1b[A"));
    QTest::qWait(50);
    QCOMPARE(host.Pending(), QByteArray());
  }
};

QTEST_MAIN(MacroDialogTest)
#include "MacroDialogTest.moc"
