// Printing: a picture on the default printer and a report's print preview
// (PreviewReport, declared with the other report actions). Qt's print support
// comes with the module the program loads on first use, so these live in a
// file of their own, with nothing else the windows need.
#pragma once

#include <QString>

class QImage;
class QRect;

namespace eiyou {

// Prints `picture` into `target` (in the printer's pixels) on the default
// printer, starting at the corner of what it can print. False, with the
// message to show in `error`, when there is no printer or printing fails.
bool PrintPicture(const QImage& picture, const QRect& target, const QString& docName,
                  QString& error);

}  // namespace eiyou
