#pragma once
// The terminal area: shows the session's screen from a backing image. The
// session's drawing is recorded per row (QtDrawContext); the rows that changed
// are painted into the image at most once per display frame, so drawing never
// holds up the receive loop. The image has the screen's device pixels, so
// text on a high-density screen is drawn at its resolution.
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "view/QtDrawContext.h"
#include "view/RowRasteriser.h"
#include "view/ScreenDisplayList.h"

class TerminalViewOwner;

class TerminalView : public QWidget {
  Q_OBJECT

 public:
  TerminalView(TerminalViewOwner& owner, QWidget* parent);

  // The recording context, held until EndDraw, which asks for a frame.
  DrawContext& BeginDraw();
  void EndDraw();
  // The session's screen changed: its changed rows are drawn with the next frame.
  void SessionChanged();
  // Erase and draw everything at the next repaint.
  void InvalidateAll();

  void SetTerminalFont(const QFont& font, QSize cell);
  // Shows the screen from logical pixel x on (a screen wider than the view);
  // mouse points and the input method's cursor follow.
  void SetPan(int x);
  int Pan() const { return pan_; }
  QSize CellSize() const { return cell_; }
  // What the terminal area shows, in device pixels (for tests and screenshots).
  QImage Snapshot();
  // Frames painted so far (for tests of the coalescing).
  int FrameCount() const { return frameCount_; }
  // Between BeginDraw and EndDraw, or drawing for a repaint.
  bool IsDrawing() const { return drawDepth_ > 0; }
  // One frame of the display the terminal area is on.
  int FrameIntervalMs() const;
  // How long until a frame's time has passed since one `since` ms ago.
  qint64 FrameWaitMs(qint64 since) const;
  // A key that types a printable character without Ctrl, Alt or Meta: never a
  // shortcut, so the terminal area takes it before the shortcuts are searched.
  static bool IsPlainTextKey(const QKeyEvent& key);

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
  void mouseReleaseEvent(QMouseEvent* event) override;
  // --- Dead keys and input methods (TerminalViewInput.cpp) ------------------
  bool event(QEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 private:
  // --- Drawing and frames (TerminalView.cpp) --------------------------------
  // Brings the image up to date: a full redraw when asked, then changed rows.
  // Returns the pixels that changed.
  QRect RenderPending();
  void DrawSessionChanges();  // the session draws its changed rows into the display list
  bool FinishDraw();          // true when the outermost draw ended
  void ScheduleFrame();
  void RequestFrame();  // draws the session's changes and repaints what changed
  // Puts the changed rows `due` on the window without a paint event; false
  // when only a repaint can (TerminalViewDirectPaint.cpp).
  bool PaintDirect(const QRect& due);
  void FrameShown();  // a frame has gone to the window system
  QRect RowsRect(int first, int last) const;
  void SettleBackingStore();
  void PrepareCells();
  // A frame is waiting for its time or on its way to paintEvent.
  bool FramePending() const { return updateQueued_ || frameTimer_.isActive(); }
  // A new image of the area's size in device pixels, to be drawn in full.
  void NewImage();
  QSize DeviceSize() const;

  TerminalViewOwner& owner_;
  QImage image_;
  QSize cell_{8, 16};
  bool fullRedraw_ = true;
  int drawDepth_ = 0;
  ScreenDisplayList display_;
  QtDrawContext context_{display_};
  RowRasteriser rasteriser_;
  QTimer frameTimer_;    // waits out the rest of the current frame
  QTimer settleTimer_;   // runs SettleBackingStore once a frame has been shown
  QTimer prepareTimer_;  // draws text cells ahead of need while nothing is due
  // Only X11's backing store waits for the server before painting.
  bool settlesBackingStore_ = false;
  QElapsedTimer sinceFrame_;     // since the last frame was painted
  bool updateQueued_ = false;    // a repaint is on its way to paintEvent
  bool sessionChanged_ = false;  // the session has rows to draw for the next frame
  QRect unshown_;                // painted into the image outside the last repaint's region
  int frameCount_ = 0;
  int pan_ = 0;  // the screen's logical x at the view's left edge
};
