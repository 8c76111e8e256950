#pragma once

#include <QColor>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QStringList>

class QPainter;

// Draws text fitted into rectangles for the displays: a single text, a column
// of texts sharing one size, and text turned by an angle (the colour bar's
// value labels).
class DrawText : public QObject {
  Q_OBJECT
 public:
  explicit DrawText(QObject* parent = nullptr);

  // Point size at which text fills rect with the given alignment flags; limited
  // to maxPt when maxPt > 0. A zero box dimension counts as a ratio of 1.
  static double fitSize(QPainter* p, const QRectF& rect, int flags, const QString& text,
                        double maxPt = 0.0);
  // Draws text fitted into rect; returns the point size used (0: nothing drawn).
  double draw(QPainter* p, const QRectF& rect, int flags, const QString& text, double maxPt = 0.0);
  // Draws the texts one below the other, rect moving by step between them, all
  // at 0.9 x the smallest fitting size truncated to whole points. Returns that
  // size (0 when nothing was drawn).
  int drawColumn(QPainter* p, QRectF rect, const QPointF& step, const QStringList& texts,
                 int flags, double maxPt = 0.0);
  // Turns the painter by angle degrees about the centre of rect, draws the text
  // fitted into the turned rectangle (over a filled background if asked) and
  // turns the painter back.
  double drawRotated(QPainter* p, const QRectF& rect, double angle, const QString& text,
                     int flags, double maxPt = 0.0, bool fillBackground = false,
                     const QColor& background = Qt::black);

  // The drawer's palette: (0,220,220), (170,255,170), (140,180,140), black.
  QColor colors[4];
};
