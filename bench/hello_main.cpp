// The floor of the start-up benchmark: the least Qt 6 Widgets program that
// shows a window, built by the same CMake and launched the same way.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QLabel hello(QStringLiteral("Hello, world"));
  hello.setObjectName(QStringLiteral("Hello"));
  hello.show();
  return app.exec();
}
