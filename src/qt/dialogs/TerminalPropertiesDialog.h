#pragma once
// The Terminal properties dialog: emulation, arrow-key mode, what Backspace
// sends, screen size, scroll-back size, local echo, cursor shape, reversed
// colours, the keepalive period and the host's text encoding, edited together. The frame applies
// and stores the result.
#include <QDialog>
#include <functional>
#include <string>

#include "platform/Messages.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The settings as the frame hands them to the dialog and reads them back.
struct TerminalSettings {
  int nEmulation = 0;  // 0 VT100, 1 ANSI
  bool bApplicationMode = true;
  bool bBackspace = true;
  int nWidth = 80;
  int nHeight = 24;
  int nBufferSize = 1000;
  bool bLocalEcho = false;
  bool bBlockCursor = false;
  bool bReverseColor = false;
  int nKeepAlive = 0;  // seconds, 0 off
  bool bHostTextUtf8 = false;
};

class CTerminalPropertiesDlg : public QDialog {
  Q_OBJECT

 public:
  using RunFn = std::function<int(QDialog& dialog)>;

  // Accepted ranges of the numbers.
  static constexpr unsigned kMinSide = 1, kMaxSide = 255;
  static constexpr unsigned kMinBuffer = 1000, kMaxBuffer = 65536;
  static constexpr unsigned kMaxKeepAliveSeconds = 3600;

  explicit CTerminalPropertiesDlg(ShowMessageFn showMessage, QWidget* parent = nullptr);

  // Shows the settings, runs the dialog (through run when given, else exec)
  // and, on OK, writes the edited values back. True on OK.
  bool EditSettings(TerminalSettings& settings, const RunFn& run = {});

  // OK: takes the fields in the order buffer, check boxes, radio groups,
  // height, width, keepalive; the first field refused is reported and focused, and the
  // dialog stays open.
  void accept() override;

  // Dialog values, as the controls show them after OK.
  unsigned m_uBufferSize = 0;
  bool m_bCheckLocalEcho = false;
  bool m_bCheckReverseColor = false;
  bool m_bCheckBlockCursor = false;
  int m_nRadioArrowKeys = -1;  // 0 "Application", 1 "Cursor"
  int m_nRadioBackspace = -1;  // 0 "Sends backspace", 1 "Sends delete"
  int m_nRadioEmulation = -1;  // 0 "VT100", 1 "ANSI"
  unsigned m_uHeight = 0;
  unsigned m_uWidth = 0;
  unsigned m_uKeepAlive = 0;
  int m_nRadioHostText = -1;  // 0 "8-bit (the font's code page)", 1 "UTF-8"

  QRadioButton* Vt100Radio() const { return m_radioVt100; }
  QRadioButton* AnsiRadio() const { return m_radioAnsi; }
  QRadioButton* ApplicationRadio() const { return m_radioApplication; }
  QRadioButton* CursorRadio() const { return m_radioCursor; }
  QRadioButton* SendsBackspaceRadio() const { return m_radioSendsBackspace; }
  QRadioButton* SendsDeleteRadio() const { return m_radioSendsDelete; }
  QLineEdit* WidthEdit() const { return m_editWidth; }
  QLineEdit* HeightEdit() const { return m_editHeight; }
  QLineEdit* BufferEdit() const { return m_editBuffer; }
  QLineEdit* KeepAliveEdit() const { return m_editKeepAlive; }
  QRadioButton* HostText8BitRadio() const { return m_radioHostText8Bit; }
  QRadioButton* HostTextUtf8Radio() const { return m_radioHostTextUtf8; }
  QCheckBox* LocalEchoCheck() const { return m_checkLocalEcho; }
  QCheckBox* BlockCursorCheck() const { return m_checkBlockCursor; }
  QCheckBox* ReverseColorCheck() const { return m_checkReverseColor; }
  QPushButton* OkButton() const { return m_buttonOk; }
  QPushButton* CancelButton() const { return m_buttonCancel; }

 private:
  void BuildControls();
  void ShowValues();
  // The number in field within [min, max]; otherwise reports and focuses the
  // field and returns false.
  bool TakeNumber(QLineEdit* field, unsigned min, unsigned max, unsigned& value);

  ShowMessageFn m_ShowMessage;

  QRadioButton* m_radioVt100 = nullptr;
  QRadioButton* m_radioAnsi = nullptr;
  QRadioButton* m_radioApplication = nullptr;
  QRadioButton* m_radioCursor = nullptr;
  QRadioButton* m_radioSendsBackspace = nullptr;
  QRadioButton* m_radioSendsDelete = nullptr;
  QLineEdit* m_editWidth = nullptr;
  QLineEdit* m_editHeight = nullptr;
  QLineEdit* m_editBuffer = nullptr;
  QLineEdit* m_editKeepAlive = nullptr;
  QRadioButton* m_radioHostText8Bit = nullptr;
  QRadioButton* m_radioHostTextUtf8 = nullptr;
  QCheckBox* m_checkLocalEcho = nullptr;
  QCheckBox* m_checkBlockCursor = nullptr;
  QCheckBox* m_checkReverseColor = nullptr;
  QPushButton* m_buttonOk = nullptr;
  QPushButton* m_buttonCancel = nullptr;
};

// Refusal texts of a number field, worded like the platform's dialogs.
std::string IntegerRangeMessage(unsigned min, unsigned max);
inline constexpr const char* kEnterIntegerMessage = "Please enter an integer.";
