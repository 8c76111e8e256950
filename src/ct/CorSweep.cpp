#include "ct/CorSweep.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ct/SgmGeometry.h"

std::vector<double> sweepCentres(double from, double to, double step) {
  if (!std::isfinite(from) || !std::isfinite(to) || !std::isfinite(step) || step <= 0.0) return {};
  // A small allowance so that a range that is a whole number of steps (as
  // typed in decimals) keeps its last centre.
  const double steps = std::floor(std::fabs(to - from) / step + 1e-9);
  if (steps + 1 > kMaxSweepCentres) return {};
  const double dir = to >= from ? 1.0 : -1.0;
  std::vector<double> out;
  for (int i = 0; i <= static_cast<int>(steps); ++i) {
    const double c = std::round((from + dir * i * step) * 100.0) / 100.0;
    if (out.empty() || c != out.back()) out.push_back(c);
  }
  return out;
}

QString sweepLabel(double cor) { return QString::number(cor, 'f', 2); }

QString sweepFileName(double cor) { return QStringLiteral("cor-%1.png").arg(sweepLabel(cor)); }

int sweepHalfWidth(const std::vector<double>& centres, int length) {
  if (centres.empty()) return 0;
  int half = 1 << 29;
  for (double c : centres) half = std::min(half, computeGeometry(true, length, c).half);
  return std::max(0, half);
}

QImage labelledPicture(const QImage& picture, const QString& label) {
  QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  if (!rgb.isNull()) {
    QPainter p(&rgb);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::clamp(rgb.width() / 14, 9, 96));
    font.setBold(true);
    p.setFont(font);
    const QString text = QStringLiteral("CoR ") + label;
    const QRect box = p.fontMetrics().boundingRect(text).adjusted(-3, -2, 3, 2);
    const QRect at(QPoint(0, 0), box.size());
    p.fillRect(at, Qt::black);
    p.setPen(Qt::white);
    p.drawText(at, Qt::AlignCenter, text);
  }
  QImage out = rgb.convertToFormat(QImage::Format_Grayscale8);
  out.setText(QStringLiteral("CoR"), label);
  return out;
}

QImage contactSheet(const std::vector<QImage>& pictures, const std::vector<QString>& labels,
                    int cell) {
  const int k = static_cast<int>(std::min(pictures.size(), labels.size()));
  if (k == 0 || cell <= 0) return {};
  int w = 1, h = 1;
  for (int i = 0; i < k; ++i) {
    w = std::max(w, pictures[i].width());
    h = std::max(h, pictures[i].height());
  }
  const double scale = std::min(1.0, static_cast<double>(cell) / std::max(w, h));
  const int cw = std::max(1, static_cast<int>(std::lround(w * scale)));
  const int ch = std::max(1, static_cast<int>(std::lround(h * scale)));
  const int cols = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(k))));
  const int rows = (k + cols - 1) / cols;
  const int gap = 4;
  QImage sheet(cols * (cw + gap) + gap, rows * (ch + gap) + gap, QImage::Format_RGB32);
  sheet.fill(QColor(96, 96, 96));
  QPainter p(&sheet);
  for (int i = 0; i < k; ++i) {
    const QImage thumb = labelledPicture(
        pictures[i].scaled(cw, ch, Qt::KeepAspectRatio, Qt::SmoothTransformation), labels[i]);
    p.drawImage(gap + (i % cols) * (cw + gap), gap + (i / cols) * (ch + gap), thumb);
  }
  p.end();
  return sheet.convertToFormat(QImage::Format_Grayscale8);
}
