#pragma once
// The terminal area: shows the session's screen from a backing image that the
// session draws into. Drawing never waits for the screen: a draw only asks for
// an update, and Qt folds many of them into one repaint.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <memory>
#include <optional>

#include "platform/qt/QtDrawContext.h"

class CMainFrame;

class TerminalView : public QWidget {
  Q_OBJECT

 public:
  TerminalView(CMainFrame& frame, QWidget* parent);

  // A context on the backing image, held until EndDraw.
  DrawContext& BeginDraw();
  void EndDraw();
  // Erase and draw everything at the next repaint.
  void InvalidateAll();

  void SetTerminalFont(const QFont& font, QSize cell);
  QSize CellSize() const { return cell_; }
  // What the terminal area shows (for tests and screenshots).
  QImage Snapshot();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  // Tab belongs to the terminal, not to focus navigation.
  bool focusNextPrevChild(bool next) override;
  // --- Mouse: selection and the clipboard buttons (TerminalViewMouse.cpp) ---
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void RedrawAllIfNeeded();
  bool FinishDraw();  // true when the outermost draw ended

  CMainFrame& frame_;
  QImage image_;
  QFont font_;
  QSize cell_{8, 16};
  bool fullRedraw_ = true;
  int drawDepth_ = 0;
  QPainter painter_;
  std::optional<QtDrawContext> context_;
};
