#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <clocale>
#include <ctime>

#include "gui/data_update_offer.h"
#include "gui/translations.h"
#include "pmain.h"
#include "tables/data_dir.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // QApplication has set the C library's locale from the environment; a
  // decimal comma there would reach every number a library writes or reads
  // with printf or strtod (libxlsxwriter's workbooks, for one). The program's
  // own numbers never depend on it, and Qt formats with its own QLocale, which
  // this does not touch.
  std::setlocale(LC_NUMERIC, "C");
  eiyou::InstallQtTranslations(app);
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
  // Newer bundled data than the folder's is offered once the window is up, so
  // that the question has the program behind it.
  eiyou::OfferDataUpdateWhenShown(&form);
  return app.exec();
}
