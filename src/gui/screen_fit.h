// Keeps a window's content reachable on a screen smaller than the window: its
// controls move, unchanged in place and size, onto a page that scrolls inside
// the window, and the window shrinks to what the screen can show. On a screen
// large enough nothing changes.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

class QPainter;
class QRect;
class QScrollArea;
class QWidget;

namespace eiyou {

// Where a tool window opens beside its owner, both as frames (title bar and
// borders included) on a screen's available `area`: to the owner's right, else
// to its left; where neither side has room but the screen is wide enough for
// both, the owner moves aside to make room; otherwise the tool takes the
// screen's bottom right corner, over the owner. The tool is always wholly on the area,
// shrunk to it when larger.
struct BesidePlacement {
  QPoint owner;  // the owner frame's new top left (unchanged when it need not move)
  QRect tool;    // the tool's frame
};
BesidePlacement PlaceBeside(const QRect& owner, const QSize& tool, const QRect& area, int gap = 8);

// Shows `tool` beside `owner` as PlaceBeside says, on the owner's screen.
void ShowBeside(QWidget* owner, QWidget* tool);

class ScreenFit : public QObject {
  Q_OBJECT
 public:
  // Paints what the window itself shows (not its controls) onto the page.
  using PagePainter = std::function<void(QPainter& painter, const QRect& area)>;

  // Watches `window`: each time it is shown on a screen, the screen's
  // available area decides. `paint` is given when the window paints its own
  // surface. The object belongs to the window.
  static ScreenFit* Install(QWidget* window, PagePainter paint = {});

  // Fits the window into a client area of `available`: false, with nothing
  // changed, when the window fits; once scrolling, it stays so.
  bool FitInto(const QSize& available);

  // Where the window's width fits but its height does not, only the controls
  // from `left` rightwards (with the window's own surface there) scroll; the
  // controls to the left stay in place, those reaching below the screen
  // shortened to it. For a window whose left part is where the work is done.
  void ScrollOnlyFrom(int left) { scrollFrom_ = left; }

  // The scrolled page, or null while the window fits its screen.
  QWidget* page() const { return page_; }
  QScrollArea* scrollArea() const { return scroll_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ScreenFit(QWidget* window, PagePainter paint);

  QWidget* window_;
  PagePainter paint_;
  QWidget* page_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  int scrollFrom_ = 0;  // the scrolled part's left edge; 0: the whole window
  int scrolledLeft_ = 0;
};

}  // namespace eiyou
