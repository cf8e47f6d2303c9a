#include "gui/screen_fit.h"

#include <algorithm>

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>
#include <QWindow>

namespace eiyou {

namespace {

// The page the controls move to; it paints the window's own surface, if any.
class Page : public QWidget {
 public:
  // The page shows the window from `left` rightwards.
  Page(ScreenFit::PagePainter paint, int left) : paint_(std::move(paint)), left_(left) {
    setObjectName("ScrollPage");
    if (!paint_) setAutoFillBackground(true);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (!paint_) return;
    QPainter p(this);
    p.translate(-left_, 0);
    paint_(p, event->rect().translated(left_, 0));
  }

 private:
  ScreenFit::PagePainter paint_;
  int left_;
};

// Before a window manager has framed the window its frame is unknown: allow a
// title bar and thin borders.
constexpr QMargins kAssumedFrame(8, 36, 8, 8);

// The frame a window will have: its own once shown, else `like`'s, else assumed.
QMargins FrameOf(const QWidget* window, const QWidget* like) {
  for (const QWidget* w : {window, like}) {
    if (const QWindow* handle = w->windowHandle()) {
      const QMargins m = handle->frameMargins();
      if (!m.isNull()) return m;
    }
  }
  return kAssumedFrame;
}

}  // namespace

BesidePlacement PlaceBeside(const QRect& owner, const QSize& tool, const QRect& area, int gap) {
  const int w = std::min(tool.width(), area.width());
  const int h = std::min(tool.height(), area.height());
  const int areaEnd = area.x() + area.width();
  BesidePlacement place{owner.topLeft(), {}};
  int x;
  if (owner.x() + owner.width() + gap + w <= areaEnd) {
    x = owner.x() + owner.width() + gap;
  } else if (owner.x() - gap - w >= area.x()) {
    x = owner.x() - gap - w;
  } else if (owner.width() + gap + w <= area.width()) {
    place.owner.setX(std::max(area.x(), areaEnd - (owner.width() + gap + w)));
    x = place.owner.x() + owner.width() + gap;
  } else {
    // Over the owner's bottom right corner, where the dish window has its
    // chart: the table says the same in figures, and the choices above stay free.
    place.tool = QRect(areaEnd - w, area.y() + area.height() - h, w, h);
    return place;
  }
  const int y = std::clamp(owner.y(), area.y(), area.y() + area.height() - h);
  place.tool = QRect(x, y, w, h);
  return place;
}

void ShowBeside(QWidget* owner, QWidget* tool) {
  if (QScreen* screen = owner->screen()) {
    const QMargins frame = FrameOf(tool, owner);
    const QSize toolFrame = tool->size().grownBy(frame);
    const BesidePlacement place = PlaceBeside(owner->frameGeometry(), toolFrame, screen->availableGeometry());
    if (place.owner != owner->frameGeometry().topLeft()) owner->move(place.owner);
    tool->resize(place.tool.size().shrunkBy(frame));
    tool->move(place.tool.topLeft());
  }
  tool->show();
}

ScreenFit::ScreenFit(QWidget* window, PagePainter paint)
    : QObject(window), window_(window), paint_(std::move(paint)) {
  window->installEventFilter(this);
}

ScreenFit* ScreenFit::Install(QWidget* window, PagePainter paint) {
  return new ScreenFit(window, std::move(paint));
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Resize && scroll_)
    scroll_->setGeometry(window_->rect().adjusted(scrolledLeft_, 0, 0, 0));
  if (watched == window_ && event->type() == QEvent::Show) {
    // The offscreen platform shows every window whole, whatever the nominal
    // size of its screen: nothing is ever cut off there.
    const QString platform = QGuiApplication::platformName();
    QScreen* screen = window_->screen();
    if (screen && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")) {
      QMargins frame;
      if (QWindow* handle = window_->windowHandle()) frame = handle->frameMargins();
      if (frame.isNull()) frame = kAssumedFrame;
      const QSize available = screen->availableGeometry().size().shrunkBy(frame);
      if (FitInto(available)) {
        // Keep the shrunk window on the screen's available area.
        const QRect area = screen->availableGeometry().marginsRemoved(frame);
        QPoint at = window_->pos();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - window_->width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - window_->height())));
        window_->move(at);
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

bool ScreenFit::FitInto(const QSize& available) {
  if (page_) return true;
  const QSize content = window_->size();
  if (content.width() <= available.width() && content.height() <= available.height()) return false;

  const int bar = window_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  // Only the right part scrolls when the width leaves room for its bar.
  const bool part = scrollFrom_ > 0 && content.width() + bar <= available.width();
  const int left = part ? scrollFrom_ : 0;

  auto* page = new Page(paint_, left);
  page->setFixedSize(content.width() - left, content.height());
  for (QWidget* child : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isWindow()) continue;
    const QRect place = child->geometry();
    if (place.left() < left) {
      // Stays; a control reaching below the screen ends above its edge.
      const int end = available.height() - 8;
      if (place.y() + place.height() > end && place.y() + 40 < end)
        child->setGeometry(place.x(), place.y(), place.width(), end - place.y());
      continue;
    }
    const bool hidden = child->isHidden();
    child->setParent(page);
    child->setGeometry(place.translated(-left, 0));
    if (!hidden) child->show();
  }

  auto* scroll = new QScrollArea(window_);
  scroll->setObjectName("ScrollArea");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(false);
  scroll->setWidget(page);
  // Tab moves the focus onto a control out of sight: bring it into view.
  QObject::connect(qApp, &QApplication::focusChanged, scroll, [scroll, page](QWidget*, QWidget* now) {
    if (now && page->isAncestorOf(now)) scroll->ensureWidgetVisible(now, 8, 8);
  });

  // A scroll bar along one side can make the other one needed too.
  int w = std::min(content.width(), available.width());
  int h = std::min(content.height(), available.height());
  if (h < content.height()) w = std::min(content.width() + bar, available.width());
  if (w < content.width()) h = std::min(content.height() + bar, available.height());
  if (h < content.height()) w = std::min(content.width() + bar, available.width());
  window_->setMinimumSize(0, 0);
  window_->setMaximumSize(content + QSize(bar, bar));
  window_->resize(w, h);
  scroll->setGeometry(left, 0, w - left, h);
  scroll->show();
  page_ = page;
  scroll_ = scroll;
  scrolledLeft_ = left;
  return true;
}

}  // namespace eiyou
