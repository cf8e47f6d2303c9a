// Printing: a picture on the default printer and the print previews of the
// reports (PreviewReport, declared with the other report actions; the order
// sheet's and the monthly menu's, here). Qt's print support
// comes with the module the program loads on first use, so these live in a
// file of their own, with nothing else the windows need.
#pragma once

#include <QString>

class QImage;
class QRect;
class QWidget;

namespace eiyou {

struct MonthlyMenu;
struct OrderReport;

// Prints `picture` into `target` (in the printer's pixels) on the default
// printer, starting at the corner of what it can print. False, with the
// message to show in `error`, when there is no printer or printing fails.
bool PrintPicture(const QImage& picture, const QRect& target, const QString& docName,
                  QString& error);

// The print preview of the order sheet (A4 portrait, its pages) and of the
// monthly menu (one A4 landscape page), from which they can be printed.
void PreviewOrderSheet(QWidget* parent, const OrderReport& report);
void PreviewMonthlyMenu(QWidget* parent, const MonthlyMenu& menu);

}  // namespace eiyou
