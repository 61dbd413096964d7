// The Edit menu: clipboard commands and clearing the buffer.
#include "frame/MainFrame.h"
#include "terminal/TelnetSession.h"

// Copy, paste and the buffer copy come with the selection and clipboard work.
void CMainFrame::OnEditCopy() {}
void CMainFrame::OnEditPaste() {}
void CMainFrame::OnEditCopyBuffer() {}

void CMainFrame::OnEditClearBuffer() { m_pSession->ClearBuffer(); }
