#include <QApplication>
#include <QFont>
#include <QFontDatabase>

#include "gui/translations.h"
#include "pmain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
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
  // The main window is the only top-level window; closing it ends the program.
  TForm1 form;
  form.show();
  return app.exec();
}
