// Starts the main window offscreen and ends at once: the windows library links
// and runs inside another project.
#include <QApplication>
#include <QTimer>

#include "pmain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  TForm1 form;
  form.show();
  QTimer::singleShot(0, &app, &QApplication::quit);
  return app.exec();
}
