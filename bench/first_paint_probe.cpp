// Linked into the start-up benchmark's launchers, beside an unchanged main():
// notes the moment the main window's first frame has been painted, reports it
// and ends the program there. Nothing of it is in the program itself.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#ifndef EIYOU_FIRST_PAINT_WINDOW
#error "EIYOU_FIRST_PAINT_WINDOW must name the window whose first paint ends the run"
#endif

namespace {

// CLOCK_MONOTONIC in nanoseconds, written as one line to the descriptor named
// by EIYOU_FIRST_PAINT_FD (standard error without it). The clock is the same
// in every process, so the launcher can subtract its own start time.
void Report() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const long long ns = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
  const char* fdText = std::getenv("EIYOU_FIRST_PAINT_FD");
  const int fd = fdText ? std::atoi(fdText) : 2;
  dprintf(fd, "%lld\n", ns);
}

class FirstPaintProbe : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (!seen_ && event->type() == QEvent::Paint && object->isWidgetType() &&
        static_cast<QWidget*>(object)->isWindow() &&
        object->objectName() == QLatin1String(EIYOU_FIRST_PAINT_WINDOW)) {
      seen_ = true;
      // The window's children are painted after it in the same pass and the
      // frame is flushed at its end; a zero timer runs once that is done.
      QTimer::singleShot(0, [] {
        Report();
        QCoreApplication::exit(0);
      });
    }
    return false;
  }

 private:
  bool seen_ = false;
};

// Runs inside the QApplication constructor, before main() creates a window.
void InstallProbe() {
  QCoreApplication* app = QCoreApplication::instance();
  app->installEventFilter(new FirstPaintProbe(app));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallProbe)
