// Text in a box of a printed page that never runs out of it: set at its size
// when it fits, smaller down to a floor that stays legible on paper, and at
// the floor cut with 「…」 where it still does not.
#pragma once

#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace eiyou {

// A font of `points` (bold when asked).
QFont PageFont(qreal points, bool bold = false);

// Draws `text` (lines split at '\n', each wrapped at the box's width) in
// `box` from its top left, with `font` at most and `floorPoints` at least.
// The size used, in points.
qreal DrawFittedText(QPainter& painter, const QRectF& box, const QString& text, QFont font,
                     qreal floorPoints);

// True when `text` fits `box` at `font` as DrawFittedText lays it out.
bool FitsAt(QPainter& painter, const QRectF& box, const QString& text, const QFont& font);

// One line in `box` with `alignment`, shrunk then elided the same way.
void DrawFittedLine(QPainter& painter, const QRectF& box, const QString& text, QFont font,
                    qreal floorPoints, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

}  // namespace eiyou
