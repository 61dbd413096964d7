#pragma once
// Qt key events in the terms of the key translation: the Win32 virtual-key
// codes of the keys its tables know, the modifier state, the character codes a
// key types, and the held state of the Applications key (the macro modifier,
// which Qt does not report as a modifier).
#include <QObject>
#include <QString>
#include <Qt>
#include <string>

#include "input/KeyTranslation.h"

class CodePage;
class QKeyEvent;
class QWidget;

// The virtual-key code of a Qt key the key tables handle (Page Up 33 .. F12
// 123, Pause 19, the Applications key 93), or 0 for every other key.
int VirtualKeyFor(int qtKey);

// Shift, Ctrl and Alt of a key event; `appsKeyDown` is the tracked state of
// the Applications key.
KeyModifiers KeyModifiersFor(Qt::KeyboardModifiers modifiers, bool appsKeyDown);

// The character codes a key press types, one byte each, in the order typed;
// empty when it types nothing. Enter gives 13 (Ctrl+Enter 10), Backspace 8
// (Ctrl+Backspace 127), Tab and Shift+Tab 9, Esc 27, Ctrl with a letter or
// one of @ [ \ ] ^ _ its control code; other text goes through the code page.
// Alt combinations (Alt without Ctrl) type nothing: they belong to the window.
std::string TypedCharacters(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text,
                            const CodePage& codePage);

// Text kept as UTF-8 (macro texts in the profile) in the terminal's code page,
// the way it would arrive if typed. Bytes that are not valid UTF-8 were not
// written by Corvane's own editor and are passed on unchanged.
std::string TerminalBytes(const std::string& utf8Text, const CodePage& codePage);

// Whether the Applications key is held, followed from the key events of one
// widget. Auto-repeat releases keep it held. When the widget loses the
// keyboard the key counts as released, since its real release then goes to
// another window and would leave the macro modifier stuck on.
class AppsKeyState : public QObject {
 public:
  void Follow(QWidget& widget, const QKeyEvent& event, bool pressed);
  bool IsDown() const { return down_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool down_ = false;
  QWidget* watched_ = nullptr;
};
