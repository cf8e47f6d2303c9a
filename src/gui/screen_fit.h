// Keeps a window's content reachable on a screen smaller than the window: its
// controls move, unchanged in place and size, onto a page that scrolls inside
// the window, and the window shrinks to what the screen can show. On a screen
// large enough nothing changes.
#pragma once

#include <QObject>
#include <QSize>
#include <functional>

class QPainter;
class QRect;
class QScrollArea;
class QWidget;

namespace eiyou {

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
};

}  // namespace eiyou
