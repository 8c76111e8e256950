#include <QtTest>
#include <cmath>
#include <memory>
#include <numbers>

#include "Joined.h"
#include "MemFrame.h"
#include "Phantom.h"
#include "ct/CorGuess.h"
#include "ct/CtRunMath.h"
#include "ct/SinogramBuilder.h"
#include "ct/SinogramImage.h"

class TestSinogram : public QObject {
  Q_OBJECT

 private:
  // Owns frames and hands out a source over them.
  struct Set {
    std::vector<std::unique_ptr<MemFrame>> frames;
    std::unique_ptr<MemFrame> i0, bg;
    SinogramSource source(int w, int h) const {
      SinogramSource s;
      for (const auto& f : frames) s.frames.push_back(f.get());
      s.i0 = i0.get();
      s.bg = bg.get();
      s.width = w;
      s.height = h;
      return s;
    }
    HSgm rec;  // the last one built
    const HSgm& build(int w, int h, const SinogramParams& p) {
      buildSinogram(source(w, h), p, rec);
      return rec;
    }
  };

 private slots:
  // "half width corInt corFrac" of the resampled line: 1000 on 2048; 1023.5
  // on 2048 (min(1023.5, 2048 - 1023.5 - 1) -> 1023); off centre, where the
  // far side limits (min(1500.25, 546.75) -> 546); no pixel beyond.
  void geometry() {
    QStringList got;
    for (auto [length, cor] :
         {std::pair{2048, 1000.0}, {2048, 1023.5}, {2048, 1500.25}, {8, 6.5}}) {
      const SgmGeometry g = computeGeometry(true, length, cor);
      got << joined(g.half, g.width, g.corInt, g.corFrac);
    }
    QCOMPARE(got, (QStringList{"1000 1999 1000 0", "1023 2045 1023 0.5", "546 1091 1500 0.25",
                               "0 -1 6 0.5"}));
  }

  // A centre whose floor is 0, whose ceiling reaches the length, or NaN, and
  // a partial count without frames (no index modulo 0) leave the record as
  // it was.
  void untouchedForEdgeCor() {
    for (auto [cor, frames] : {std::pair{0.7, 1}, {2047.2, 1}, {std::nan(""), 1}, {1000.0, 0}}) {
      Set set;
      if (frames) set.frames.push_back(std::make_unique<MemFrame>(2048, 2, 50.0));
      HSgm rec;
      rec.resize(3, 1);
      rec.setSlice(77);
      rec.sgm()[0] = 4.5;
      SinogramParams p;
      p.cor = cor;
      p.usePartial = frames == 0;
      p.usingImages = 10;
      buildSinogram(set.source(2048, 2), p, rec);
      QCOMPARE(joined(cor, rec.width(), rec.rows(), rec.slice(), rec.sgm()[0]),
               joined(cor, "3 1 77 4.5"));
    }
  }

  void resampling() {
    // Quarter pixel on line i^2: cor 4.25, half 4, out[3] from p = 4:
    // 16 + 0.25 * (25 - 16) = 18.25
    std::vector<double> sq(10);
    for (int i = 0; i < 10; ++i) sq[i] = i * i;
    SgmGeometry g = computeGeometry(true, 10, 4.25);
    QCOMPARE(g.width, 7);
    std::vector<double> out(7);
    centredLine(sq.data(), 10, out.data(), g);
    QCOMPARE(joined(out[0], out[3]), "1.75 18.25");  // out[0] from p = 1: 1 + 0.25 * (4 - 1)
    // Whole pixel: the CoR pixel lands on index half - 1, out[o] <- p = o + 1.
    g = computeGeometry(true, 10, 4.0);
    centredLine(sq.data(), 10, out.data(), g);
    QCOMPARE(joined(out[0], out[3]), "1 16");

    // Coinciding interpolation points give the mean.
    QCOMPARE(interpolate(5.0, 2.0, 1.0, 2.0, 3.0), 2.0);
    QCOMPARE(interpolate(2.5, 2.0, 1.0, 3.0, 3.0), 2.0);
  }

  void normalisation() {
    // 8 wide, cor 4: half 3, width 5, output o <- pixel o + 2.
    Set set;
    set.i0 = std::make_unique<MemFrame>(8, 3, 1000.0);
    set.bg = std::make_unique<MemFrame>(8, 3, 100.0);
    set.i0->at(5, 1) = 50.0;  // I0 below BG at pixel 5
    auto f = std::make_unique<MemFrame>(8, 3, 400.0);
    f->at(3, 1) = 100.0;  // I - BG = 0
    f->at(4, 1) = 550.0;
    f->at(5, 1) = 200.0;
    set.frames.push_back(std::move(f));
    SinogramParams p;
    p.cor = 4.0;
    p.slice = 1;
    const HSgm& rec = set.build(8, 3, p);
    QCOMPARE(joined(rec.width(), rec.rows(), rec.slice(), rec.raw()[1]), "5 1 1 100");
    QCOMPARE(rec.sgm()[0], std::log(900.0 / 300.0));
    QCOMPARE(rec.sgm()[1], std::log(900.0));          // b = 0 -> 1: ln(I0 - BG)
    QCOMPARE(rec.sgm()[2], std::log(900.0 / 450.0));  // ln 2
    QCOMPARE(rec.sgm()[3], -std::log(100.0));         // a = -50 -> 1: -ln(I - BG)
  }

  void missingReferences() {
    // No I0 (1.0) and an unready BG (0.0): a = 1, sgm = -ln(raw).
    Set set;
    set.bg = std::make_unique<MemFrame>(8, 1, 100.0, false);
    set.frames.push_back(std::make_unique<MemFrame>(8, 1, 20.0));
    set.frames[0]->at(3, 0) = 0.0;  // b = 0 -> 1: ln(1) = 0
    SinogramParams p;
    p.cor = 4.0;
    const HSgm& rec = set.build(8, 1, p);
    QCOMPARE(rec.sgm()[0], -std::log(20.0));
    QCOMPARE(rec.sgm()[1], 0.0);
  }

  void horizontalAxisUsesColumns() {
    Set set;
    auto f = std::make_unique<MemFrame>(3, 8, 1.0);
    f->setLine(false, 2, {1, 2, 3, 4, 5, 6, 7, 8});
    set.frames.push_back(std::move(f));
    SinogramParams p;
    p.rotAxIsV = false;
    p.cor = 4.0;
    p.slice = 2;
    const HSgm& rec = set.build(3, 8, p);
    QCOMPARE(rec.width(), 5);  // length is the height, 8
    QCOMPARE(std::vector<double>(rec.raw(), rec.raw() + 5), (std::vector<double>{3, 4, 5, 6, 7}));
  }

  // "rows first last": the frames of the first and last sinogram rows of 100
  // frames: 90 from 5; a start past the end begins at 0; a negative count;
  // wrapping round (104 mod 100); the partial set off ignores the start.
  void partialRows() {
    Set set;
    for (int i = 0; i < 100; ++i) set.frames.push_back(std::make_unique<MemFrame>(8, 1, 10.0 + i));
    SinogramParams p;
    p.cor = 4.0;
    QStringList got;
    for (auto [partial, start, count] : {std::tuple{true, 5, 90},
                                         {true, 120, 90},
                                         {true, 3, -4},
                                         {true, 95, 10},
                                         {false, 5, 90}}) {
      p.usePartial = partial;
      p.startImageNo = start;
      p.usingImages = count;
      const HSgm& rec = set.build(8, 1, p);
      got << joined(rec.rows(), rec.rawRow(0)[2] - 10, rec.rawRow(rec.rows() - 1)[2] - 10);
    }
    QCOMPARE(got, (QStringList{"90 5 94", "90 0 89", "4 3 6", "10 95 4", "100 0 99"}));
  }

  void largeSinogramRows() {
    // 300 rows of 1023 samples, large enough to be built in two halves side by
    // side; the partial range wraps round the 100 frames three times, so both
    // halves read the same frames. Every row must come from its own frame and
    // hold log((I0 - BG) / (I - BG)) of its own samples.
    const int w = 1024, frames = 100;
    Set set;
    for (int i = 0; i < frames; ++i) {
      set.frames.push_back(std::make_unique<MemFrame>(w, 1));
      for (int x = 0; x < w; ++x) set.frames.back()->at(x, 0) = 100.0 + i + 0.0005 * x;
    }
    set.i0 = std::make_unique<MemFrame>(w, 1, 1000.0);
    set.bg = std::make_unique<MemFrame>(w, 1, 5.0);
    SinogramParams p;
    p.cor = 512.0;
    p.usePartial = true;
    p.startImageNo = 50;
    p.usingImages = 300;
    const HSgm& rec = set.build(w, 1, p);
    QCOMPARE(rec.rows(), 300);
    QVERIFY(std::int64_t(rec.width()) * rec.rows() >= (1 << 18));
    for (int r = 0; r < rec.rows(); ++r) {
      const double* raw = rec.rawRow(r);
      QCOMPARE(int(std::floor(raw[0])) - 100, (50 + r) % frames);
      for (int x = 0; x < rec.width(); ++x) {
        QVERIFY(std::fabs(raw[x] - raw[0] - 0.0005 * x) < 1e-9);
        QCOMPARE(rec.sgmRow(r)[x], std::log((1000.0 - 5.0) / (raw[x] - 5.0)));
      }
    }
  }

  void corNextToEdgeGivesZeros() {
    // cor 6.5 on 8: half 0, width -1 -> a 2-wide record with defined zeros.
    Set set;
    set.frames.push_back(std::make_unique<MemFrame>(8, 1, 10.0));
    set.frames.push_back(std::make_unique<MemFrame>(8, 1, 20.0));
    SinogramParams p;
    p.cor = 6.5;
    const HSgm& rec = set.build(8, 1, p);
    QCOMPARE(joined(rec.width(), rec.rows()), "2 2");
    QCOMPARE(std::vector<double>(rec.sgm(), rec.sgm() + 4), std::vector<double>(4, 0.0));
    QCOMPARE(std::vector<double>(rec.raw(), rec.raw() + 4), std::vector<double>(4, 0.0));
  }

  // The frame a CoR guess pairs with the start frame, half a turn on: 360 deg
  // over 200 frames, 180 deg (the last frame), from frame 150 (250 mod 200),
  // a negative range (-100 mod 200); none for a zero range or no frames.
  void partnerIndex() {
    QCOMPARE(joined(corPartnerIndex(360, 200, 0), corPartnerIndex(180, 200, 0),
                    corPartnerIndex(360, 200, 150), corPartnerIndex(-360, 200, 0),
                    corPartnerIndex(0, 200, 0), corPartnerIndex(180, 0, 0)),
             "100 199 50 100 -1 -1");
  }

  void guessFindsPhantomCor() {
    // Intensities of the head phantom at 0 and 180 degrees, the pair a
    // 360-degree set of two frames compares: the guess must land on the
    // centre the projections were made with, not half a pixel beside it.
    for (auto [cor, start] : {std::pair{258.5, 250.0}, {255.2, 262.0}}) {
      const int w = 512, rows = 8, slice = 4;
      Phantom ph(w, rows, cor);
      Set set;
      std::vector<double> li(w);
      for (int f = 0; f < 2; ++f) {
        set.frames.push_back(std::make_unique<MemFrame>(w, rows));
        for (int y = 0; y < rows; ++y) {
          ph.lineIntegrals(f * std::numbers::pi, y, w, li.data());
          for (int x = 0; x < w; ++x) set.frames[f]->at(x, y) = ph.intensity(x, y, li[x]);
        }
      }
      SinogramParams p;
      p.dataSetRangeDeg = 360.0;
      p.slice = slice;
      const double guess = guessCor(set.source(w, rows), p, 0.35, start);
      QVERIFY2(std::fabs(guess - cor) <= 0.2 + 1e-9, qPrintable(QString::number(guess, 'g', 10)));
    }
  }

  // Ranges the sinogram picture must refuse: zero, NaN, more than a full
  // turn per image (K = 0), and one giving a huge picture.
  void sinogramImageRefused() {
    Set set;
    set.frames.push_back(std::make_unique<MemFrame>(3, 1, 1.0));
    SinogramParams p;
    p.cor = 1.0;
    for (double range : {0.0, std::nan(""), 1e9, 1e-7}) {
      p.dataSetRangeDeg = range;
      HSgm rec;
      GreyMap map;
      QVERIFY2(renderSinogramImage(rec, set.source(3, 1), p, SinogramImageParams(), map).isNull(),
               qPrintable(QString::number(range)));
    }
  }

  void runAngles() {
    CtRunParams p;
    p.dataSetRangeDeg = 180.0;
    p.dataSetImages = 900;
    p.startImageNo = 10;
    p.angleOriginDeg = 90.0;
    CtAngles a = ctAngles(p);
    QCOMPARE(a.dAngle, std::numbers::pi / 900.0);  // 0.2 degrees
    QCOMPARE(a.angle0, 10.0 * (std::numbers::pi / 900.0) + std::numbers::pi / 2.0);
    p.dataSetImages = 0;
    a = ctAngles(p);
    QCOMPARE(a.dAngle, 0.0);
    QCOMPARE(a.angle0, std::numbers::pi / 2.0);
  }

  void runCorAndSlices() {
    CtRunParams p;
    p.cor = 1000.0;
    QCOMPARE(interpolatedCor(p, 500), 1000.0);  // nothing recorded
    p.cor1 = 1025.0;
    p.corSlice1 = 900;
    p.cor2 = 1023.5;
    p.corSlice2 = 100;
    QCOMPARE(interpolatedCor(p, 500), 1024.25);  // 1025 - 1.5 * 400 / 800
    p.corSlice2 = 900;
    QCOMPARE(interpolatedCor(p, 500), 1000.0);  // same slice twice

    // A zero step would never leave the range.
    QCOMPARE(joined(runSliceStep(2047, 0, 4), runSliceStep(0, 10, -3), runSliceStep(0, 10, 0)),
             "-4 3 1");
    p.sliceFrom = 2047;
    p.sliceTo = 0;  // a descending range holds both ends
    QCOMPARE(joined(sliceInRange(p, 0), sliceInRange(p, 2047), sliceInRange(p, -4)), "1 1 0");
    p.sliceFrom = 5;
    p.sliceTo = 9;
    QCOMPARE(joined(sliceInRange(p, 4), sliceInRange(p, 9), sliceInRange(p, 10)), "0 1 0");
  }
};

QTEST_GUILESS_MAIN(TestSinogram)
#include "tst_sinogram.moc"
