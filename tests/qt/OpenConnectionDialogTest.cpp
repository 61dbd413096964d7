// The Open Connection dialog on its own, over a recent-host list on an
// in-memory profile: tab order (texts in tests/data/golden/open-connection.txt), filling and
// choosing, Delete, and the checks that keep the dialog open on a bad field.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "FrameRig.h"
#include "QuietOffscreen.h"
#include "dialogs/OpenConnectionDialog.h"
#include "settings/MemoryProfile.h"
#include "settings/RecentHostList.h"

namespace {

constexpr const char* kSection = "Recent Host List";

// A list, its profile and a dialog over them, with scripted message boxes.
struct DialogRig : ScriptedAnswers {
  MemoryProfile profile;
  RecentHostList hosts;
  std::unique_ptr<COpenConnectionDlg> dialog;

  void Seed(const std::vector<RecentHost>& entries) { SeedRecentHosts(profile, entries); }

  COpenConnectionDlg& Open() {
    hosts.Load(profile);
    dialog = std::make_unique<COpenConnectionDlg>(hosts, profile, Hook());
    dialog->show();
    dialog->activateWindow();
    (void)QTest::qWaitForWindowActive(dialog.get());
    return *dialog;
  }
};

QStringList Lines(const QListWidget* list) {
  QStringList lines;
  for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  return lines;
}

QStringList Fields(const COpenConnectionDlg& d) {
  return {d.HostEdit()->text(), d.PortEdit()->text(), d.DescriptionEdit()->text()};
}

std::vector<RecentHost> TenEntries() {
  std::vector<RecentHost> entries;
  for (int i = 0; i < RecentHostList::kSlots; ++i)
    entries.push_back({"host" + std::to_string(i), 1000u + static_cast<unsigned>(i),
                       i % 2 ? "desc" + std::to_string(i) : ""});
  return entries;
}

void ClickLine(QListWidget* list, int line) {
  const QRect rect = list->visualItemRect(list->item(line));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

// A real double click starts with an ordinary click; the dialog is gone
// before the last release.
void DoubleClickLine(QListWidget* list, int line) {
  const QPoint at = list->visualItemRect(list->item(line)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

bool IsOpen(const COpenConnectionDlg& d) {
  return d.isVisible() && d.result() != QDialog::Accepted;
}

}  // namespace

class OpenConnectionDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallQuietMessageHandler(); }

  void controlsTabOrderAndMnemonics() {
    DialogRig rig;
    COpenConnectionDlg& d = rig.Open();
    QVERIFY(!(d.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(d.HistoryList()->selectionMode(), QAbstractItemView::SingleSelection);

    // Tab walks list, host, port, description, OK, Cancel, Delete and round again.
    const QList<QWidget*> order = {d.HistoryList(),     d.HostEdit(), d.PortEdit(),
                                   d.DescriptionEdit(), d.OkButton(), d.CancelButton(),
                                   d.DeleteButton()};
    d.HistoryList()->setFocus();
    QTRY_VERIFY(d.HistoryList()->hasFocus());
    for (int i = 1; i <= order.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), order[i % order.size()]);
    }
    // Alt+P reaches the port field through its label.
    QTest::keyClick(&d, Qt::Key_P, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), d.PortEdit());
  }

  void freshProfileShowsNoLinesAndPort23() {
    DialogRig rig;
    COpenConnectionDlg& d = rig.Open();
    QCOMPARE(d.HistoryList()->count(), 0);
    QCOMPARE(d.SelectedLine(), -1);
    QCOMPARE(Fields(d), (QStringList{"", "23", ""}));
    // Delete on the empty list asks nothing and writes nothing.
    QTest::mouseClick(d.DeleteButton(), Qt::LeftButton);
    QVERIFY(rig.messages.empty());
    QVERIFY(rig.profile.writes.empty());
  }

  void portFieldTakesDigitsOnlyAndDescriptionStopsAt100() {
    DialogRig rig;
    COpenConnectionDlg& d = rig.Open();
    d.PortEdit()->clear();
    QTest::keyClicks(d.PortEdit(), "8a0-b 8+0");
    QCOMPARE(d.PortEdit()->text(), QStringLiteral("8080"));
    QTest::keyClicks(d.DescriptionEdit(), QString(120, QLatin1Char('x')));
    QCOMPARE(d.DescriptionEdit()->text().size(), 100);
  }

  void linesFollowSlotOrderUpToTheFirstEmptyHost() {
    DialogRig rig;
    rig.Seed({{"alpha", 23, ""},
              {"beta", 2323, "Beta box"},
              {"Alpha", 23, ""},
              {"", 23, ""},
              {"hidden", 9, "behind the gap"}});
    COpenConnectionDlg& d = rig.Open();
    QCOMPARE(Lines(d.HistoryList()), (QStringList{"alpha:23", "Beta box (beta:2323)", "Alpha:23"}));
    // Line 0 is chosen and shown.
    QCOMPARE(d.SelectedLine(), 0);
    QCOMPARE(Fields(d), (QStringList{"alpha", "23", ""}));
    ClickLine(d.HistoryList(), 1);
    QCOMPARE(d.SelectedLine(), 1);
    QCOMPARE(Fields(d), (QStringList{"beta", "2323", "Beta box"}));
    // The fields may be edited after choosing; OK takes what they hold.
    d.PortEdit()->setText(QStringLiteral("2424"));
    d.DescriptionEdit()->setText(QStringLiteral("edited"));
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(d.m_strHost, std::string("beta"));
    QCOMPARE(d.m_nPort, 2424u);
    QCOMPARE(d.m_strDescription, std::string("edited"));
    QVERIFY(rig.profile.writes.empty());  // choosing and OK write nothing themselves
    QVERIFY(rig.messages.empty());
  }

  void doubleClickOnALineIsOk() {
    DialogRig rig;
    rig.Seed({{"one", 1, ""}, {"two", 2, "second"}, {"three", 3, ""}});
    COpenConnectionDlg& d = rig.Open();
    DoubleClickLine(d.HistoryList(), 2);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QVERIFY(!d.isVisible());
    QCOMPARE(d.m_strHost, std::string("three"));
    QCOMPARE(d.m_nPort, 3u);
    QCOMPARE(d.m_strDescription, std::string());
  }

  void deleteAnsweredNoChangesNothing() {
    DialogRig rig;
    rig.Seed(TenEntries());
    COpenConnectionDlg& d = rig.Open();
    ClickLine(d.HistoryList(), 3);
    rig.answers = {MessageAnswer::No};
    QTest::mouseClick(d.DeleteButton(), Qt::LeftButton);
    QCOMPARE(rig.messages.size(), std::size_t(1));
    QCOMPARE(rig.messages[0].text, std::string("Are you sure?"));
    QCOMPARE(rig.messages[0].kind, MessageKind::Question);
    QCOMPARE(d.HistoryList()->count(), 10);
    QCOMPARE(d.SelectedLine(), 3);
    QCOMPARE(Fields(d), (QStringList{"host3", "1003", "desc3"}));
    QVERIFY(rig.profile.writes.empty());
    QCOMPARE(rig.hosts.Count(), 10);
  }

  void deleteAnsweredYesShiftsTheListAndWritesAllTenSlots() {
    DialogRig rig;
    std::vector<RecentHost> entries = TenEntries();
    rig.Seed(entries);
    COpenConnectionDlg& d = rig.Open();
    ClickLine(d.HistoryList(), 3);
    QTest::mouseClick(d.DeleteButton(), Qt::LeftButton);

    entries.erase(entries.begin() + 3);
    entries.push_back({"", 0, ""});  // the freed last slot has port 0, not 23
    for (int i = 0; i < RecentHostList::kSlots; ++i)
      QCOMPARE(rig.hosts.At(i), entries[static_cast<std::size_t>(i)]);
    // All ten slots are written, Host, Port, Desc each, in slot order.
    QCOMPARE(rig.profile.writes.size(), std::size_t(30));
    for (int k = 1; k <= 10; ++k) {
      const RecentHost& e = entries[static_cast<std::size_t>(k - 1)];
      const std::string n = std::to_string(k);
      const auto* w = &rig.profile.writes[static_cast<std::size_t>(3 * (k - 1))];
      QCOMPARE(w[0].key, "Host" + n);
      QCOMPARE(w[0].value, e.host);
      QCOMPARE(w[1].key, "Port" + n);
      QCOMPARE(w[1].value, std::to_string(e.port));
      QCOMPARE(w[2].key, "Desc" + n);
      QCOMPARE(w[2].value, e.description);
      for (int j = 0; j < 3; ++j) QCOMPARE(w[j].section, std::string(kSection));
    }
    // The line is gone, none is chosen, and the fields show a blank entry.
    QCOMPARE(d.HistoryList()->count(), 9);
    QCOMPARE(d.HistoryList()->item(3)->text(), QStringLiteral("host4:1004"));
    QCOMPARE(d.SelectedLine(), -1);
    QVERIFY(d.HistoryList()->selectedItems().isEmpty());
    QCOMPARE(Fields(d), (QStringList{"", "23", ""}));
    QVERIFY(IsOpen(d));

    // A second Delete with nothing chosen asks nothing and changes nothing.
    rig.messages.clear();
    rig.profile.writes.clear();
    d.HostEdit()->setText(QStringLiteral("typed"));
    QTest::mouseClick(d.DeleteButton(), Qt::LeftButton);
    QVERIFY(rig.messages.empty());
    QVERIFY(rig.profile.writes.empty());
    QCOMPARE(d.HistoryList()->count(), 9);
    QCOMPARE(rig.hosts.Count(), 9);
    QCOMPARE(d.HostEdit()->text(), QStringLiteral("typed"));
  }

  void deletingEveryEntryLeavesPortZeroForTheNextDialog() {
    DialogRig rig;
    rig.Seed(TenEntries());
    {
      COpenConnectionDlg& d = rig.Open();
      while (d.HistoryList()->count() > 0) {
        ClickLine(d.HistoryList(), 0);
        QTest::mouseClick(d.DeleteButton(), Qt::LeftButton);
      }
      d.reject();
    }
    QCOMPARE(rig.hosts.Count(), 0);
    QCOMPARE(rig.profile.Value(kSection, "Port1"), std::string("0"));
    QCOMPARE(rig.profile.Value(kSection, "Host1"), std::string());
    // The list is read again as the next run of the program would.
    RecentHostList reread;
    reread.Load(rig.profile);
    QCOMPARE(reread.Count(), 0);
    COpenConnectionDlg& again = rig.Open();
    QCOMPARE(again.HistoryList()->count(), 0);
    QCOMPARE(Fields(again), (QStringList{"", "0", ""}));
  }

  void emptyHostIsAcceptedAsIs() {
    DialogRig rig;
    rig.Seed({{"somewhere", 23, ""}});
    COpenConnectionDlg& d = rig.Open();
    d.HostEdit()->clear();
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(d.m_strHost, std::string());
    QVERIFY(rig.messages.empty());
  }

  void hostIsTakenAsTypedWithoutSurroundingBlanks_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("host");
    QTest::newRow("blanks around") << "  Host.Example  "
                                   << "Host.Example";
    QTest::newRow("pasted with tab and line break") << "\tHost.Example\r\n"
                                                    << "Host.Example";
    QTest::newRow("only blanks") << "   "
                                 << "";
    QTest::newRow("blank inside kept") << " a b "
                                       << "a b";
  }
  void hostIsTakenAsTypedWithoutSurroundingBlanks() {
    QFETCH(QString, typed);
    QFETCH(QString, host);
    DialogRig rig;
    COpenConnectionDlg& d = rig.Open();
    d.HostEdit()->setText(typed);
    QTest::keyClick(d.HostEdit(), Qt::Key_Return);  // Enter in a field is OK
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(QString::fromStdString(d.m_strHost), host);
    QCOMPARE(d.m_nPort, 23u);
  }

  void badPortIsRefusedAndKeepsTheDialogOnThatField_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("message");
    const QString notANumber = QStringLiteral("Please enter an integer.");
    const QString outOfRange = QStringLiteral("Please enter an integer between 0 and 65535.");
    QTest::newRow("empty") << "" << notANumber;
    QTest::newRow("letters") << "23a" << notANumber;
    QTest::newRow("negative") << "-1" << notANumber;
    QTest::newRow("just above") << "65536" << outOfRange;
    QTest::newRow("wraps to 23") << "65559" << outOfRange;
    QTest::newRow("above 32 bits") << "4294967319" << outOfRange;
    QTest::newRow("many digits") << "123456789012345678901234567890" << outOfRange;
  }
  void badPortIsRefusedAndKeepsTheDialogOnThatField() {
    QFETCH(QString, port);
    QFETCH(QString, message);
    DialogRig rig;
    rig.Seed({{"somewhere", 23, "kept"}});
    COpenConnectionDlg& d = rig.Open();
    d.PortEdit()->setText(port);  // as if pasted past the digit filter
    d.HostEdit()->setFocus();
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    QCOMPARE(rig.messages.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(rig.messages[0].text), message);
    QCOMPARE(rig.messages[0].kind, MessageKind::Stop);
    QVERIFY(IsOpen(d));
    QTRY_VERIFY(d.PortEdit()->hasFocus());
    QCOMPARE(d.PortEdit()->selectedText(), port);
    QCOMPARE(d.m_strHost, std::string());  // nothing was taken
    // Mended, OK goes through.
    d.PortEdit()->setText(QStringLiteral("65535"));
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(d.m_nPort, 65535u);
    QCOMPARE(d.m_strHost, std::string("somewhere"));
  }

  void storedDescriptionOver100IsShownWholeButRefusedOnOk() {
    DialogRig rig;
    const std::string longDescription(150, 'd');
    rig.Seed({{"h", 23, longDescription}});
    COpenConnectionDlg& d = rig.Open();
    QCOMPARE(d.DescriptionEdit()->text().toStdString(), longDescription);
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    QCOMPARE(rig.messages.size(), std::size_t(1));
    QCOMPARE(rig.messages[0].text, std::string("Please enter no more than 100 characters."));
    QVERIFY(IsOpen(d));
    QTRY_VERIFY(d.DescriptionEdit()->hasFocus());
    // It can be shortened but not lengthened again.
    d.DescriptionEdit()->end(false);
    QTest::keyClick(d.DescriptionEdit(), Qt::Key_Backspace);
    QTest::keyClick(d.DescriptionEdit(), Qt::Key_X);
    QCOMPARE(d.DescriptionEdit()->text().size(), 149);
    d.DescriptionEdit()->setSelection(0, 49);
    QTest::keyClick(d.DescriptionEdit(), Qt::Key_Delete);
    QCOMPARE(d.DescriptionEdit()->text().size(), 100);
    QTest::keyClick(d.DescriptionEdit(), Qt::Key_X);
    QCOMPARE(d.DescriptionEdit()->text().size(), 100);
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(d.m_strDescription, std::string(100, 'd'));
  }
};

QTEST_MAIN(OpenConnectionDialogTest)
#include "OpenConnectionDialogTest.moc"
