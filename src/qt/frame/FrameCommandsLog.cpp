// The Log command: starts a log of the host's output in a file the user
// chooses, or stops the running one. Also the one way the frame runs its modal
// dialogs, so tests can answer them.
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>

#include "frame/LogFileOpen.h"
#include "frame/MainFrame.h"
#include "terminal/TelnetSession.h"

int CMainFrame::RunDialog(QDialog& dialog) {
  return m_Hooks.runDialog ? m_Hooks.runDialog(dialog) : dialog.exec();
}

std::FILE* CMainFrame::OpenLogFile(const std::string& path) {
  return OpenLogFileWithoutWaiting(path);
}

void CMainFrame::OnOptionsLog() {
  m_pSession->ToggleLog([this] { return ChooseLogFile(); });
}

std::optional<LogChoice> CMainFrame::ChooseLogFile() {
  QFileDialog dialog(this, QStringLiteral("Log File"));
  // Qt's own dialog, the same on every desktop, so it can carry the raw choice.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // Any name may be given; the log creates the file or empties it.
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({QStringLiteral("Log Files (*.log)"), QStringLiteral("All Files (*.*)")});
  dialog.setDefaultSuffix(QStringLiteral("log"));
  // Replacing an existing file is asked below, through the frame's own
  // message box, so the question looks and is answered like every other one.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.selectFile(QStringLiteral("default"));
  // Unchecked each time: no log setting is remembered.
  auto* raw = new QCheckBox(QStringLiteral("Raw (every byte received)"), &dialog);
  raw->setObjectName(QStringLiteral("rawLogCheck"));
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(raw, grid->rowCount(), 0, 1, -1);
  for (;;) {
    if (RunDialog(dialog) != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    const QFileInfo file(chosen.first());
    const QString path = QDir::toNativeSeparators(file.absoluteFilePath());
    // Starting the log empties the file: its old contents go only when the
    // user says so. No keeps the dialog up to choose another name. (A folder
    // is not asked about: it cannot be opened, which the log reports.)
    if (file.exists() && !file.isDir() &&
        ShowMessage(
            (path + QStringLiteral(" already exists.\nDo you want to replace it?")).toStdString(),
            MessageKind::Question) != MessageAnswer::Yes) {
      dialog.selectFile(file.fileName());
      continue;
    }
    return LogChoice(QFile::encodeName(path).toStdString(), raw->isChecked());
  }
}
