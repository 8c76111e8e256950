#pragma once

#include <QImage>
#include <QString>
#include <vector>

// A centre-of-rotation sweep: the current slice reconstructed once per trial
// centre, each picture labelled with the centre it was reconstructed with,
// and a contact sheet of all of them for choosing the centre by eye.

// At most this many centres in one sweep (each picture is kept until the
// contact sheet is made).
constexpr int kMaxSweepCentres = 201;

// The centres from `from` to `to` (either way) in steps of |step|, each
// rounded to 1/100 pixel, the precision of its label and file name, so that
// the label states exactly the centre used. Empty when step is not positive,
// a value is not finite, or the range holds more than kMaxSweepCentres.
std::vector<double> sweepCentres(double from, double to, double step);

// "1023.50": the centre with two decimals.
QString sweepLabel(double cor);
// "cor-1023.50.png"
QString sweepFileName(double cor);
// The contact sheet's file name.
inline QString sweepSheetName() { return QStringLiteral("cor-sweep.png"); }

// The sinogram half width every centre of the sweep has on a detector line
// of `length` pixels (the smallest of them), so that all pictures share one
// size; 0 when a centre leaves no sinogram.
int sweepHalfWidth(const std::vector<double>& centres, int length);

// A copy of a grey picture with "CoR <label>" printed in its top-left corner
// (white on black, sized to the picture), as an 8-bit grey image whose PNG
// text "CoR" holds the label too. Needs a GUI application (fonts).
QImage labelledPicture(const QImage& picture, const QString& label);

// The cell size of a contact sheet: a sweep keeps its pictures no larger.
constexpr int kSheetCell = 256;

// The pictures scaled to cells of at most `cell` pixels, each labelled,
// in a grid of ceil(sqrt(k)) columns, row by row in the given order.
QImage contactSheet(const std::vector<QImage>& pictures, const std::vector<QString>& labels,
                    int cell = kSheetCell);
