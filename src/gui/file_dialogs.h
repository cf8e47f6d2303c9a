// The program's file dialogs: Qt's own dialog everywhere, so that it speaks
// Japanese whatever the desktop, sized so that its columns read whole.
#pragma once

class QFileDialog;

namespace eiyou {

// Qt's dialog, at least 760×480 within the screen, with the size, type and
// date columns widened to their texts whenever a folder has been read (Qt's
// fixed widths cut them: "15…es", "9 Dec …:24").
void PrepareFileDialog(QFileDialog& dialog);

}  // namespace eiyou
