#pragma once
// The Macro dialog: one edit field per macro key App+F1 .. App+F12 and a
// reminder of the escape notation. The texts are edited as typed; nothing is
// validated and no length is imposed.
#include <QDialog>
#include <array>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

inline constexpr int kMacroDialogFields = 12;
inline constexpr const char* kMacroHelpTitle = "Special characters:";
inline constexpr const char* kMacroHelpText =
    R"(Esc=\e   New line=\n   Carriage return=\r   Tab=\t   \=\\)";

class CMacroDlg : public QDialog {
  Q_OBJECT

 public:
  using Texts = std::array<std::string, kMacroDialogFields>;

  // Fills the fields with the macro texts (UTF-8).
  explicit CMacroDlg(const Texts& macros, QWidget* parent = nullptr);

  // The texts as the fields hold them. A field still showing its original
  // text gives back the original bytes, so text the field cannot represent
  // exactly (bytes that are not UTF-8) is not altered by an OK.
  Texts Macros() const;

  // Field and label of App+Fk, k = 1 .. 12.
  QLineEdit* Field(int k) const { return m_fields.at(static_cast<std::size_t>(k - 1)); }
  QLabel* Label(int k) const { return m_labels.at(static_cast<std::size_t>(k - 1)); }
  QPushButton* OkButton() const { return m_buttonOk; }
  QPushButton* CancelButton() const { return m_buttonCancel; }

 private:
  Texts m_original;
  std::array<QLineEdit*, kMacroDialogFields> m_fields{};
  std::array<QLabel*, kMacroDialogFields> m_labels{};
  QPushButton* m_buttonOk = nullptr;
  QPushButton* m_buttonCancel = nullptr;
};
