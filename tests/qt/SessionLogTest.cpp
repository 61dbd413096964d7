// The Log command through the real file dialog: the dialog's set-up, the
// default name and extension, the question before an existing file is
// emptied, a file that cannot be opened, and the file's bytes, as text or raw.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "../support/SessionTestAccess.h"
#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "frame/CommandIds.h"
#include "frame/LogFileOpen.h"
#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"

namespace {

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// Answers the file dialog as a user would: in `folder`, types `name` (nothing
// typed: the name the dialog offers), ticks the raw check box when asked, and
// presses Enter, all inside the dialog's own event loop.
std::function<int(QDialog&)> TypeName(const QString& folder, std::optional<QString> name,
                                      int* shown = nullptr, bool raw = false) {
  return [=](QDialog& dialog) {
    if (shown) ++*shown;
    auto* files = qobject_cast<QFileDialog*>(&dialog);
    if (!files) return static_cast<int>(QDialog::Rejected);
    files->setDirectory(folder);
    QTimer::singleShot(0, files, [files, name, raw] {
      auto* edit = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      auto* rawCheck = files->findChild<QCheckBox*>(QStringLiteral("rawLogCheck"));
      if (!edit || (raw && !rawCheck)) {
        files->reject();
        return;
      }
      // On its box: the row spans the dialog, wider than the box and its text.
      if (raw) QTest::mouseClick(rawCheck, Qt::LeftButton, {}, QPoint(6, rawCheck->height() / 2));
      if (name) {
        edit->clear();
        QTest::keyClicks(edit, *name);
      }
      QTest::keyClick(edit, Qt::Key_Return);
      if (files->isVisible()) files->reject();  // the name was not taken
    });
    return files->exec();
  };
}

}  // namespace

class SessionLogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  void theDialogIsSetUpForALogFile() {
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    QString title, offered, suffix;
    QStringList filters;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    bool own = false, rawOffered = true;
    QString rawText;
    rig.dialogs = [&](QDialog& dialog) {
      auto* files = qobject_cast<QFileDialog*>(&dialog);
      if (!files) return static_cast<int>(QDialog::Rejected);
      title = files->windowTitle();
      filters = files->nameFilters();
      suffix = files->defaultSuffix();
      mode = files->acceptMode();
      own = files->testOption(QFileDialog::DontUseNativeDialog);
      if (auto* raw = files->findChild<QCheckBox*>(QStringLiteral("rawLogCheck"))) {
        rawText = raw->text();
        rawOffered = raw->isVisibleTo(files) && raw->isChecked();
      }
      if (auto* edit = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        offered = edit->text();
      return static_cast<int>(QDialog::Rejected);
    };
    frame.Action(cmd::ID_OPTIONS_LOG)->trigger();
    QCOMPARE(title, QStringLiteral("Log File"));
    QCOMPARE(filters, (QStringList{"Log Files (*.log)", "All Files (*.*)"}));
    QCOMPARE(suffix, QStringLiteral("log"));
    QCOMPARE(offered, QStringLiteral("default"));
    QCOMPARE(mode, QFileDialog::AcceptSave);
    QVERIFY(own);  // Qt's own dialog, which carries the raw check box, unchecked
    QCOMPARE(rawText, QStringLiteral("Raw (every byte received)"));
    QVERIFY(!rawOffered);
    // Cancel: nothing changes.
    QVERIFY(!frame.Session()->IsLogging());
    QCOMPARE(frame.Pane(4)->text(), QString());
    QVERIFY(rig.messages.empty());
  }

  void logsTheHostsBytesToTheTypedNameWithTheLogExtension() {
    QTemporaryDir dir;
    LoopbackHost host;
    FrameRig rig;
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    QVERIFY(host.WaitForPeer());
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    int shown = 0;
    rig.dialogs = TypeName(dir.path(), QStringLiteral("session"), &shown);
    QTest::keyClick(frame.View(), Qt::Key_L, Qt::AltModifier);
    QCOMPARE(shown, 1);
    QVERIFY(frame.Session()->IsLogging());
    QCOMPARE(frame.Pane(4)->text(), QStringLiteral("Logging"));
    const QString path = dir.filePath(QStringLiteral("session.log"));
    QVERIFY(QFile::exists(path));

    host.Send(QByteArray("ab\r\ncd\x1b[1m") + QByteArray("\xff\xfb\x01", 3) +
              QByteArray("x\ty\nz\r\x07\x08"));
    const CTelnetSession& session = *frame.Session();
    // Everything has been taken, up to the final CR.
    QTRY_VERIFY(Peek(session).m_nLineCount == 2 &&
                Peek(session).m_Text[2].find('z') != std::string::npos &&
                Peek(session).m_nCursorCol == 0);
    frame.Action(cmd::ID_OPTIONS_LOG)->trigger();  // stop: no dialog
    QCOMPARE(shown, 1);
    QVERIFY(!frame.Session()->IsLogging());
    QCOMPARE(frame.Pane(4)->text(), QString());
    QCOMPARE(ReadFile(path).toHex(' '), QByteArray("ab\r\ncd[1m\xff\xfbxyz\r\n").toHex(' '));
    QVERIFY(rig.messages.empty());
  }

  // Raw: every data byte as received, telnet commands out, nothing turned into
  // line ends.
  void theRawCheckBoxLogsTheHostsDataBytesAsReceived() {
    QTemporaryDir dir;
    LoopbackHost host;
    FrameRig rig;
    CMainFrame& frame = rig.Start("127.0.0.1", host.Port());
    QVERIFY(host.WaitForPeer());
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    rig.dialogs = TypeName(dir.path(), QStringLiteral("raw"), nullptr, true);
    frame.OnOptionsLog();
    QVERIFY(frame.Session()->IsLoggingRaw());
    QCOMPARE(frame.Pane(4)->text(), QStringLiteral("Logging"));
    host.Send(QByteArray("ab\r\ncd\x1b[1m\xff\xfb\x01x\ty\xff\xffz\r", 20));
    QTRY_VERIFY(Peek(*frame.Session()).m_Text[1].find('z') != std::string::npos);
    frame.OnOptionsLog();
    QCOMPARE(ReadFile(dir.filePath(QStringLiteral("raw.log"))).toHex(' '),
             QByteArray("ab\r\ncd\x1b[1mx\ty\xffz\r", 16).toHex(' '));
    QVERIFY(rig.messages.empty());
  }

  void acceptingTheOfferedNameLogsToDefaultLog() {
    QTemporaryDir dir;
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    rig.dialogs = TypeName(dir.path(), std::nullopt);
    frame.OnOptionsLog();
    QVERIFY(frame.Session()->IsLogging());
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("default.log"))));
    frame.OnOptionsLog();
  }

  // An existing file is emptied only after the user agrees; No goes back to
  // the dialog.
  void replacingAnExistingFileIsAsked() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.log"));
    WriteFile(path, "precious");
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    int shown = 0;
    const auto typeOld = TypeName(dir.path(), QStringLiteral("old.log"), &shown);
    rig.dialogs = [&](QDialog& dialog) {
      // The second time round the user cancels.
      return shown == 0 ? typeOld(dialog) : (++shown, static_cast<int>(QDialog::Rejected));
    };
    rig.answers = {MessageAnswer::No};
    frame.OnOptionsLog();
    const std::string question =
        Native(path).toStdString() + " already exists.\nDo you want to replace it?";
    QCOMPARE(rig.CountMessages(question), 1);
    QCOMPARE(rig.messages.back().kind, MessageKind::Question);
    QCOMPARE(shown, 2);
    QVERIFY(!frame.Session()->IsLogging());
    QCOMPARE(ReadFile(path), QByteArray("precious"));

    shown = 0;
    rig.answers = {MessageAnswer::Yes};
    frame.OnOptionsLog();
    QCOMPARE(rig.CountMessages(question), 2);
    QCOMPARE(shown, 1);
    QVERIFY(frame.Session()->IsLogging());
    QCOMPARE(frame.Pane(4)->text(), QStringLiteral("Logging"));
    frame.OnOptionsLog();
    QCOMPARE(ReadFile(path), QByteArray());
  }

  void aFileThatCannotBeOpenedIsReportedAndLoggingStaysOff() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.log")));
    FrameRig rig;
    CMainFrame& frame = rig.Start();
    // A folder cannot be opened as a file, whoever runs the test.
    rig.dialogs = [&](QDialog& dialog) {
      auto* files = qobject_cast<QFileDialog*>(&dialog);
      files->setDirectory(dir.path());
      files->selectFile(QStringLiteral("folder.log"));
      return static_cast<int>(QDialog::Accepted);
    };
    frame.OnOptionsLog();
    const std::string expected =
        "Cannot open " + Native(dir.filePath(QStringLiteral("folder.log"))).toStdString();
    QCOMPARE(rig.CountMessages(expected), 1);
    QCOMPARE(rig.messages.back().kind, MessageKind::Stop);
    QCOMPARE(rig.messages.size(), std::size_t{1});  // no replace question for a folder
    QVERIFY(!frame.Session()->IsLogging());
    QCOMPARE(frame.Pane(4)->text(), QString());
  }

  // Only regular files, new or existing (then emptied), and the null device
  // are logs; anything else is refused untouched, and no open waits.
  void onlyRegularFilesAndTheNullDeviceAreOpenedAsLogs_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("opened");
    QTest::newRow("existing file, emptied") << "existing" << true;
    QTest::newRow("null device") << "/dev/null" << true;
    QTest::newRow("another device") << "/dev/zero" << false;
    QTest::newRow("FIFO without a reader") << "fifo" << false;
    QTest::newRow("FIFO with a reader") << "fifo read" << false;
  }
  void onlyRegularFilesAndTheNullDeviceAreOpenedAsLogs() {
    QFETCH(QString, kind);
    QFETCH(bool, opened);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("chosen.log"));
    int reader = -1;
    if (kind.startsWith(QLatin1Char('/'))) path = kind;
    if (kind == QStringLiteral("existing")) WriteFile(path, "old contents");
    if (kind.startsWith(QStringLiteral("fifo"))) {
      QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
      if (kind.endsWith(QStringLiteral("read")))
        reader = open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    }
    std::FILE* file = OpenLogFileWithoutWaiting(QFile::encodeName(path).toStdString());
    QCOMPARE(file != nullptr, opened);
    if (file) {
      QCOMPARE(std::fputs("log", file) >= 0 && std::fclose(file) == 0, true);
      if (!path.startsWith(QStringLiteral("/dev/"))) QCOMPARE(ReadFile(path), QByteArray("log"));
    }
    if (reader >= 0) close(reader);
  }
};

QTEST_MAIN(SessionLogTest)
#include "SessionLogTest.moc"
