#include "gui/fitted_text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <vector>

namespace eiyou {

namespace {

struct Line {
  QString text;
  qreal y = 0;  // from the box's top
};

// The lines of `text` at `font` wrapped at `width`, as many as fit `height`;
// `rest` the text left out, its line ends as blanks (empty when all fit).
std::vector<Line> Lay(const QString& text, const QFont& font, QPaintDevice* device, qreal width,
                      qreal height, QString& rest) {
  std::vector<Line> lines;
  rest.clear();
  const qreal leading = QFontMetricsF(font, device).lineSpacing();
  qreal y = 0;
  const QStringList paragraphs = text.split(QLatin1Char('\n'));
  for (qsizetype p = 0; p < paragraphs.size(); ++p) {
    QTextLayout layout(paragraphs[p], font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width);
      if (y + leading > height + 0.01) {
        QStringList left = paragraphs.mid(p + 1);
        left.prepend(paragraphs[p].mid(line.textStart()));
        rest = left.join(QLatin1Char(' '));
        layout.endLayout();
        return lines;
      }
      lines.push_back({paragraphs[p].mid(line.textStart(), line.textLength()), y});
      y += leading;
    }
    layout.endLayout();
  }
  return lines;
}

}  // namespace

bool FitsAt(QPainter& painter, const QRectF& box, const QString& text, const QFont& font) {
  QString rest;
  Lay(text, font, painter.device(), box.width(), box.height(), rest);
  return rest.isEmpty();
}

QFont PageFont(qreal points, bool bold) {
  QFont f;
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

qreal DrawFittedText(QPainter& painter, const QRectF& box, const QString& text, QFont font,
                     qreal floorPoints) {
  QPaintDevice* device = painter.device();
  qreal points = font.pointSizeF();
  QString rest;
  std::vector<Line> lines;
  for (;;) {
    font.setPointSizeF(points);
    lines = Lay(text, font, device, box.width(), box.height(), rest);
    if (rest.isEmpty() || points <= floorPoints) break;
    points = std::max(floorPoints, points - 0.5);
  }
  painter.setFont(font);
  const QFontMetricsF metrics(font, device);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    QString shown = lines[i].text;
    // What did not fit ends the last line, cut with 「…」.
    if (!rest.isEmpty() && i + 1 == lines.size())
      shown = metrics.elidedText(shown.trimmed() + QLatin1Char(' ') + rest, Qt::ElideRight, box.width());
    painter.drawText(QPointF(box.left(), box.top() + lines[i].y + metrics.ascent()), shown);
  }
  return points;
}

void DrawFittedLine(QPainter& painter, const QRectF& box, const QString& text, QFont font,
                    qreal floorPoints, Qt::Alignment alignment) {
  QPaintDevice* device = painter.device();
  qreal points = font.pointSizeF();
  for (;;) {
    font.setPointSizeF(points);
    if (QFontMetricsF(font, device).horizontalAdvance(text) <= box.width() || points <= floorPoints) break;
    points = std::max(floorPoints, points - 0.5);
  }
  painter.setFont(font);
  const QString shown = QFontMetricsF(font, device).elidedText(text, Qt::ElideRight, box.width());
  painter.drawText(box, static_cast<int>(alignment), shown);
}

}  // namespace eiyou
