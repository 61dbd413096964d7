// The texts the user reads, each window as one dump compared with its file
// under tests/data/golden: the menu bar (menus, items, shortcuts, ids,
// prompts, check marks) and the window's own accelerators, and each dialog's
// caption, controls, labels and the values a fresh profile opens it with.
// CORVANE_UPDATE_GOLDEN=1 rewrites the files instead of comparing.
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "dialogs/AboutDialog.h"
#include "frame/CommandIds.h"

namespace {

QString Quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QString ActionLine(const QAction* a) {
  if (a->isSeparator()) return QStringLiteral("-");
  QString line = Quoted(a->text());
  if (!a->shortcut().isEmpty())
    line += QLatin1Char(' ') + a->shortcut().toString(QKeySequence::PortableText);
  line += QStringLiteral(" #") + QString::number(a->data().toInt());
  if (a->isCheckable()) line += QStringLiteral(" checkable");
  if (!a->statusTip().isEmpty()) line += QStringLiteral(" tip ") + Quoted(a->statusTip());
  return line;
}

// Every menu with its items, then the window's accelerators that no menu holds.
QStringList DumpMenus(CMainFrame& frame) {
  QStringList lines;
  QList<QAction*> inMenus;
  for (QAction* popup : frame.menuBar()->actions()) {
    lines << QStringLiteral("menu ") + Quoted(popup->text());
    for (QAction* a : popup->menu()->actions()) {
      lines << QStringLiteral("  ") + ActionLine(a);
      inMenus << a;
    }
  }
  for (QAction* a : frame.actions())
    if (!inMenus.contains(a) && !a->shortcut().isEmpty())
      lines << QStringLiteral("accelerator ") + ActionLine(a);
  return lines;
}

// One line per control in the order the dialog made them, indented by the
// group it sits in; a label names the control its mnemonic leads to by number.
QStringList DumpDialog(QDialog& dialog) {
  QList<QWidget*> controls;
  const std::function<void(QWidget*)> collect = [&](QWidget* parent) {
    for (QObject* child : parent->children()) {
      auto* w = qobject_cast<QWidget*>(child);
      if (!w || w->isWindow()) continue;
      if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
          qobject_cast<QLineEdit*>(w) || qobject_cast<QListWidget*>(w) ||
          qobject_cast<QGroupBox*>(w))
        controls << w;
      if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QListWidget*>(w)) collect(w);
    }
  };
  collect(&dialog);
  QStringList lines{QStringLiteral("dialog ") + Quoted(dialog.windowTitle()) +
                    (dialog.isModal() ? QStringLiteral(" modal") : QString())};
  for (int i = 0; i < controls.size(); ++i) {
    QWidget* w = controls[i];
    QString line = QString::number(i + 1) + QLatin1Char(' ');
    for (QWidget* p = w->parentWidget(); p && p != &dialog; p = p->parentWidget())
      if (qobject_cast<QGroupBox*>(p)) line.prepend(QStringLiteral("  "));
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
      line += QStringLiteral("group ") + Quoted(group->title());
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
      if (!label->pixmap().isNull())
        line += QStringLiteral("picture");
      else
        line += QStringLiteral("label ") + Quoted(label->text());
      if (label->textFormat() == Qt::PlainText) line += QStringLiteral(" plain");
      if (label->buddy())
        line += QStringLiteral(" for ") + QString::number(controls.indexOf(label->buddy()) + 1);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      line += QStringLiteral("edit ") + Quoted(edit->text());
      if (edit->maxLength() != 32767)
        line += QStringLiteral(" max ") + QString::number(edit->maxLength());
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
      line += QStringLiteral("list");
      for (int r = 0; r < list->count(); ++r)
        line += QLatin1Char(' ') + Quoted(list->item(r)->text());
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      line += qobject_cast<QRadioButton*>(w) ? QStringLiteral("radio ")
              : qobject_cast<QCheckBox*>(w)  ? QStringLiteral("check ")
                                             : QStringLiteral("button ");
      line += Quoted(button->text());
      if (button->isChecked()) line += QStringLiteral(" checked");
      auto* push = qobject_cast<QPushButton*>(w);
      if (push && push->isDefault()) line += QStringLiteral(" default");
    }
    lines << line;
  }
  return lines;
}

// Compares a dump with its golden file, or rewrites the file when asked to.
void CompareWithGolden(const QStringList& dump, const QString& name) {
  const QString path = QStringLiteral(CORVANE_TEST_DATA "/golden/") + name + QStringLiteral(".txt");
  QFile file(path);
  if (qEnvironmentVariableIsSet("CORVANE_UPDATE_GOLDEN")) {
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write((dump.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    return;
  }
  QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
  const QStringList golden = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
  const QStringList expected = golden.mid(0, golden.size() - 1);  // the file ends in a newline
  for (int i = 0; i < std::min(dump.size(), expected.size()); ++i) QCOMPARE(dump[i], expected[i]);
  QCOMPARE(dump.size(), expected.size());
}

// Runs a frame command and dumps the dialog it brings up, then cancels it.
QStringList DumpCommandDialog(FrameRig& rig, int command) {
  QStringList dump;
  rig.dialogs = [&dump](QDialog& dialog) {
    dump = DumpDialog(dialog);
    return static_cast<int>(QDialog::Rejected);
  };
  rig.frame->Action(command)->trigger();
  rig.dialogs = nullptr;
  return dump;
}

}  // namespace

class GoldenTextsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  // A fresh profile: no recent hosts, so no host lines in the Connection menu.
  void menuBar() {
    FrameRig rig;
    CompareWithGolden(DumpMenus(rig.Start()), QStringLiteral("menu-bar"));
  }

  void dialogs_data() {
    QTest::addColumn<int>("command");
    QTest::newRow("open-connection") << cmd::ID_FILE_OPEN;
    QTest::newRow("macro") << cmd::ID_OPTIONS_MACRO;
    QTest::newRow("terminal-properties") << cmd::ID_OPTIONS_TERMINAL;
  }

  void dialogs() {
    QFETCH(int, command);
    FrameRig rig;
    rig.Start();
    const QStringList dump = DumpCommandDialog(rig, command);
    QVERIFY(!dump.isEmpty());
    CompareWithGolden(dump, QString::fromUtf8(QTest::currentDataTag()));
  }

  void aboutBox() {
    CAboutDlg box;
    CompareWithGolden(DumpDialog(box), QStringLiteral("about"));
  }
};

QTEST_MAIN(GoldenTextsTest)
#include "GoldenTextsTest.moc"
