#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <ctime>

#include "pmain.h"
#include "tables/data_dir.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // A Japanese Gothic face when one is installed; otherwise fontconfig's choice.
  const QStringList installed = QFontDatabase::families();
  for (const char* family : {"IPAGothic", "IPAPGothic", "Noto Sans CJK JP", "VL Gothic"}) {
    if (installed.contains(QString::fromLatin1(family))) {
      QFont f = QApplication::font();
      f.setFamily(QString::fromLatin1(family));
      QApplication::setFont(f);
      break;
    }
  }
  // A save killed before its rename leaves a hidden temporary file beside its
  // target; the data folder is where the next run can see them.
  eiyou::RemoveStaleTemporaryFilesOfDataFolder(eiyou::DataDirectory(), std::time(nullptr));
  // The main window is the only top-level window; closing it ends the program.
  TForm1 form;
  form.show();
  return app.exec();
}
