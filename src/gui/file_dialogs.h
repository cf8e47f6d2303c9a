// The program's file dialogs: Qt's own dialog everywhere, so that it speaks
// Japanese whatever the desktop, sized so that its columns read whole.
#pragma once

#include <QString>

class QFileDialog;
class QWidget;

namespace eiyou {

// Qt's dialog, at least 760×480 within the screen, with the size, type and
// date columns widened to their texts whenever a folder has been read (Qt's
// fixed widths cut them: "15…es", "9 Dec …:24").
void PrepareFileDialog(QFileDialog& dialog);

// A CSV file to read (`proposed` empty) or to write under the name proposed,
// chosen in that dialog named `objectName`, opened in the data folder. Empty
// when the user chose none.
QString AskCsvFile(QWidget* parent, const QString& title, const char* objectName,
                   const QString& proposed = {});

}  // namespace eiyou
