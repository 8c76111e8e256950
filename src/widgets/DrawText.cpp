#include "widgets/DrawText.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cmath>

DrawText::DrawText(QObject* parent)
    : QObject(parent),
      colors{QColor(0, 220, 220), QColor(170, 255, 170), QColor(140, 180, 140), QColor(0, 0, 0)} {}

double DrawText::fitSize(QPainter* p, const QRectF& rect, int flags, const QString& text,
                         double maxPt) {
  QFont f = p->font();
  f.setPointSizeF(10.0);
  p->setFont(f);
  const QRectF box = p->boundingRect(rect, flags, text);
  const double rw = box.width() > 0.0 ? rect.width() / box.width() : 1.0;
  const double rh = box.height() > 0.0 ? rect.height() / box.height() : 1.0;
  double size = 10.0 * std::min(rw, rh);
  if (maxPt > 0.0) size = std::min(size, maxPt);
  return std::isfinite(size) ? size : 0.0;
}

double DrawText::draw(QPainter* p, const QRectF& rect, int flags, const QString& text,
                      double maxPt) {
  const double size = fitSize(p, rect, flags, text, maxPt);
  if (!(size > 0.0)) return 0.0;
  QFont f = p->font();
  f.setPointSizeF(size);
  p->setFont(f);
  p->drawText(rect, flags, text);
  return size;
}

int DrawText::drawColumn(QPainter* p, QRectF rect, const QPointF& step, const QStringList& texts,
                         int flags, double maxPt) {
  if (texts.isEmpty()) return 0;
  double smallest = -1.0;
  for (const QString& t : texts) {
    const double s = fitSize(p, rect, flags, t, maxPt);
    if (smallest < 0.0 || s < smallest) smallest = s;
  }
  const int size = static_cast<int>(smallest * 0.9);
  if (size < 1) return 0;
  QFont f = p->font();
  f.setPointSize(size);
  p->setFont(f);
  for (const QString& t : texts) {
    p->drawText(rect, flags, t);
    rect.translate(step);
  }
  return size;
}

double DrawText::drawRotated(QPainter* p, const QRectF& rect, double angle, const QString& text,
                             int flags, double maxPt, bool fillBackground,
                             const QColor& background) {
  const QPointF c = rect.center();
  p->save();
  p->translate(c);
  p->rotate(angle);
  const QRectF turned(-rect.width() / 2.0, -rect.height() / 2.0, rect.width(), rect.height());
  if (fillBackground) p->fillRect(turned, background);
  const double size = draw(p, turned, flags, text, maxPt);
  p->restore();
  return size;
}
