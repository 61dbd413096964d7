// Keys of the terminal area and the F10 accelerators.
#include <QKeyEvent>

#include "frame/MainFrame.h"
#include "input/VirtualKeys.h"

void CMainFrame::OnTerminalKey(QKeyEvent& event, bool /*pressed*/) {
  // Key translation plugs in here; until then keys do nothing on the terminal.
  event.accept();
}

void CMainFrame::OnKeyDown(unsigned /*virtualKey*/, unsigned /*repeatCount*/,
                           unsigned /*flags*/) {}

void CMainFrame::OnKeyF10() {
  // All four F10 accelerators come here; the key translation reads the
  // modifiers itself.
  OnKeyDown(VK_F10, 0, 0);
}
