// The volume and section renderer: window, colours, cut, the axis turn, size
// clamping, and the parallel renderer against the per-point reference.

#include <QtTest>
#include <functional>

#include "LogCapture.h"
#include "view3d/VolumeRender.h"
#include "view3d/VolumeRenderLiteral.h"

namespace {

std::shared_ptr<const SliceSeries> makeSeries(int w, int h, int n,
                                              const std::function<double(int, int, int)>& f) {
  auto s = std::make_shared<SliceSeries>();
  s->width = w;
  s->height = h;
  for (int k = 0; k < n; ++k) {
    SliceRecord r;
    r.width = w;
    r.height = h;
    r.values.resize(size_t(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) r.values[size_t(y) * w + x] = f(x, y, k);
    s->slices.push_back(std::move(r));
  }
  return s;
}

// A few overlapping balls in a 40 x 30 x 20 stack, values 0..1000.
std::shared_ptr<const SliceSeries> ballSeries() {
  return makeSeries(40, 30, 20, [](int x, int y, int k) {
    auto ball = [&](double cx, double cy, double cz, double r, double v) {
      const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy) + (k - cz) * (k - cz);
      return d2 < r * r ? v * (1 - d2 / (r * r)) : 0.0;
    };
    return std::max({ball(12, 10, 8, 9, 1000), ball(28, 18, 12, 7, 700), ball(20, 22, 5, 5, 400),
                     double((x * 7 + y * 3 + k) % 50)});
  });
}

SliceSetStyle style256() {
  SliceSetStyle s;
  s.rMin = 0;
  s.rMax = 256;  // so that u = v
  s.showFrame = false;
  return s;
}

ViewState view(int w, int h) {
  ViewState v;
  v.width = w;
  v.height = h;
  return v;
}

// Turns the view about the axes x, y, z (0, 1, 2) by degrees: pairs of axis, angle.
void turn(ViewState& v, const QList<double>& turns) {
  for (int t = 0; t + 1 < turns.size(); t += 2) {
    const int a = int(turns[t]);
    rotateAxes(v.ex, v.ey, v.ez, Vec3(a == 0, a == 1, a == 2), turns[t + 1] * M_PI / 180);
  }
}

QColor at(const QImage& img, int x, int y) { return QColor::fromRgba(img.pixel(x, y)); }

}  // namespace

class TestVolumeRender : public QObject {
  Q_OBJECT
 private slots:
  void quarterTurn() {
    // About z by +90 degrees the axes turn by -90 degrees: Ex -> (0, -1, 0), Ey -> (1, 0, 0).
    Vec3 ex{1, 0, 0}, ey{0, 1, 0}, ez{0, 0, 1};
    rotateAxes(ex, ey, ez, Vec3(0, 0, 5), M_PI / 2);
    QVERIFY((ex - Vec3(0, -1, 0)).norm() + (ey - Vec3(1, 0, 0)).norm() +
                (ez - Vec3(0, 0, 1)).norm() <
            1e-12);
    // A zero axis leaves the axes alone.
    rotateAxes(ex, ey, ez, Vec3(), 1.0);
    QVERIFY((ex - Vec3(0, -1, 0)).norm() < 1e-12);
  }

  void twoSetsHalfOpaque() {
    auto s = makeSeries(6, 6, 2, [](int, int, int) { return 255.0; });
    SliceSetStyle a = style256(), b = style256();
    a.volumeColor = QColor(0, 127, 127);
    b.volumeColor = QColor(127, 0, 127);
    a.opacity = b.opacity = 128;
    const std::vector<SliceSetInput> sets{{s, a}, {s, b}};
    const QImage pic = renderPicture(sets, view(8, 8));
    // First over white: r = 255 * 127/255 = 127, g = b = 127 * 128/255 + 127 = 190.75.
    // Second over that: r = 127 * 128/255 + 127 * 127/255 = 127, g = 191 * 127/255 = 95.1,
    // b = 63.75 + 95.1 = 158.9.
    const QColor c = at(pic, 4, 4);
    QVERIFY2(std::abs(c.red() - 127) <= 1 && std::abs(c.green() - 95) <= 1 &&
                 std::abs(c.blue() - 159) <= 1,
             qPrintable(c.name()));
    QCOMPARE(at(pic, 0, 0), QColor(Qt::white));
    QCOMPARE(pic, renderPictureLiteral(sets, view(8, 8)));
  }

  void sectionCut() {
    // Slice k holds 20 k + 10; looking along z with the normal (0, 0, 1) the depth of
    // slice k is d = k - 5; slider 5 puts the plane at s = 0.5: slices 6..9 are cut
    // away and slice 5 (d = 0, inside (-0.5, 1.5)) gives the section value 110.
    auto s = makeSeries(6, 6, 10, [](int, int, int k) { return 20.0 * k + 10; });
    SliceSetStyle st = style256();
    st.sectionNormal = {0, 0, 1};
    st.slider = 5;
    st.showSection = true;
    const QImage cut = renderPicture({{s, st}}, view(8, 8));
    // Section colour (127, 0, 0) at q = 110: 255 - 110 * 128/255 = 199.8, 255 - 110 = 145.
    QCOMPARE(at(cut, 4, 4), QColor(200, 145, 145));
    st.showSection = false;
    const QImage whole = renderPicture({{s, st}}, view(8, 8));
    // Volume colour (0, 127, 127) at the ray's maximum 190: 65, 255 - 190 * 128/255 = 159.6.
    QCOMPARE(at(whole, 4, 4), QColor(65, 160, 160));
  }

  // The colour at the centre of a 4 x 4 box of two slices, front and back,
  // for a window in per cent of the range 0 .. 256. Volume colour (0, 127,
  // 127) at q: 255 - q, 255 - q * 128/255. Window 0 .. 256: u = v; 256 .. 0:
  // u = 256 - v, the ray shows its smallest value. High = low draws nothing,
  // not even a value on the window itself.
  void windowEnds() {
    struct Case {
      double lowPC, highPC, front, back;
    };
    const Case cases[] = {{0, 100, 256, 256},    // the high end is invisible
                          {0, 100, 255, 255},    // 255 full colour
                          {0, 100, 0, 0},        // the low end is invisible
                          {100, 0, 200, 100},    // inverted: the smaller wins
                          {100, 0, 1, 300},      // inverted: 1 full colour
                          {100, 0, 0, 256},      // inverted: 0 gives 256, invisible
                          {40, 40, 102.4, 50}};  // empty window
    QStringList got;
    for (const Case& c : cases) {
      auto s = makeSeries(4, 4, 2, [&](int, int, int k) { return k == 1 ? c.front : c.back; });
      SliceSetStyle st = style256();
      st.minPC = c.lowPC;
      st.maxPC = c.highPC;
      const std::vector<SliceSetInput> sets{{s, st}};
      const QImage pic = renderPicture(sets, view(8, 8));
      got << at(pic, 4, 4).name(QColor::HexArgb) + ' ' +
                 at(pic, 0, 0).name(QColor::HexArgb);  // and outside the box
      QCOMPARE(pic, renderPictureLiteral(sets, view(8, 8)));
    }
    const QString full = "#ff007f7f #ffffffff", white = "#ffffffff #ffffffff";
    QCOMPARE(got, (QStringList{white, full, white, "#ff63b1b1 #ffffffff", full, white, white}));
  }

  void cutFaceClosed_data() {
    QTest::addColumn<QList<double>>("turns");  // axis x, y, z as 0, 1, 2, then degrees
    QTest::addColumn<int>("slider");
    QTest::newRow("straight, plane between slices") << QList<double>{} << 0;
    QTest::newRow("x 40, y 25") << QList<double>{0, 40, 1, 25} << 0;
    QTest::newRow("x -60, z 30, forward") << QList<double>{0, -60, 2, 30} << 15;
    QTest::newRow("from below, y 160") << QList<double>{1, 160} << 0;
  }

  // The cut face, the plane Q.N = s with N along the view inside the stack, is drawn
  // in the section colour wherever the plane crosses the stack away from its edges:
  // no ray may fall between two samples and show the volume behind the cut.
  void cutFaceClosed() {
    QFETCH(QList<double>, turns);
    QFETCH(int, slider);
    const int w = 40, h = 36, n = 40;
    // Every value in the window (u = v in 100..199), so that every sample is visible.
    auto s = makeSeries(w, h, n,
                        [](int x, int y, int k) { return 100.0 + (x * 7 + y * 3 + k * 5) % 100; });
    ViewState v = view(96, 96);
    turn(v, turns);
    SliceSetStyle st = style256();
    st.volumeColor = QColor(0, 127, 127);
    st.sectionColor = QColor(127, 0, 0);
    st.showSection = true;
    st.sectionNormal = v.ez;
    st.slider = slider;
    const std::vector<SliceSetInput> sets{{s, st}};
    const QImage pic = renderPicture(sets, v);
    // Where the ray of pixel (i, j) crosses the plane: P + t Ez with (P + t Ez).Ez = s.
    const double plane = slider / 100.0 * n;
    const double margin = 2 + 1 / std::abs(v.ez.z);  // one sample step back, and a pixel
    int inside = 0, volumeColoured = 0;
    for (int j = 0; j < v.height; ++j) {
      for (int i = 0; i < v.width; ++i) {
        const Vec3 p = v.m + v.ex * (i - v.width / 2.0) + v.ey * (j - v.height / 2.0);
        const Vec3 q = p + v.ez * (plane - p.dot(v.ez));
        if (std::abs(q.x) > w / 2.0 - margin || std::abs(q.y) > h / 2.0 - margin ||
            std::abs(q.z) > n / 2.0 - margin)
          continue;
        ++inside;
        // Section colour: red above green; volume colour: green above red.
        const QColor c = at(pic, i, j);
        if (!(c.red() > c.green())) ++volumeColoured;
      }
    }
    QVERIFY2(inside > 300, qPrintable(QString::number(inside)));
    QCOMPARE(volumeColoured, 0);
    QCOMPARE(pic, renderPictureLiteral(sets, v));
  }

  // Picture sizes of 0, negative or absurd values are clamped to 1 .. 8192 per
  // side with a debug-log line ("size clamped-to logged lines"); the renderer
  // draws at the clamped size.
  void sizeClamping() {
    QStringList got;
    for (QSize s : {QSize(-5, -7), QSize(100000, 100000), QSize(256, 128)}) {
      LogCapture log;
      const QSize c = clampedPictureSize(s.width(), s.height());
      got << QString("%1x%2 %3").arg(c.width()).arg(c.height()).arg(log.matching("clamped").size());
    }
    QCOMPARE(got, (QStringList{"1x1 1", "8192x8192 1", "256x128 0"}));
    QCOMPARE(renderPicture({}, view(-5, -7)).size(), QSize(1, 1));
    QCOMPARE(renderPicture({}, view(256, 128)).size(), QSize(256, 128));
  }

  void productionMatchesLiteral_data() {
    QTest::addColumn<QList<double>>("turns");  // as in cutFaceClosed
    QTest::addColumn<bool>("section");
    QTest::addColumn<int>("opacity");
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("twoSets");
    QTest::newRow("turned twice, zoomed")
        << QList<double>{0, 34, 1, 52} << false << 200 << 0.63 << false;
    QTest::newRow("two sets half opaque")
        << QList<double>{0, 34, 1, 52, 2, 69} << true << 128 << 1.3 << true;
    // Rays nearly along the slices: each slice moves a ray's sample by several pixels
    // (by more than the slice height in the second), so each ray meets few slices.
    QTest::newRow("nearly edge-on, about y")
        << QList<double>{1, 83.65} << false << 255 << 0.6 << false;
    QTest::newRow("edge-on within a degree")
        << QList<double>{0, 89.09} << true << 255 << 0.5 << false;
  }

  void productionMatchesLiteral() {
    QFETCH(QList<double>, turns);
    QFETCH(bool, section);
    QFETCH(int, opacity);
    QFETCH(double, scale);
    QFETCH(bool, twoSets);
    auto s = ballSeries();
    ViewState v = view(97, 83);
    v.scale = scale;
    v.m = Vec3(1.5, -2.25, 0.5);
    turn(v, turns);
    SliceSetStyle st;
    st.rMin = 0;
    st.rMax = 1000;
    st.minPC = 3;
    st.maxPC = 90;
    st.opacity = opacity;
    st.showSection = section;
    st.sectionNormal = v.ez;
    st.slider = 10;
    std::vector<SliceSetInput> sets{{s, st}};
    if (twoSets) {
      SliceSetStyle b = st;
      b.volumeColor = QColor(127, 0, 127);
      b.sectionColor = QColor(0, 127, 0);
      b.slider = -20;
      sets.push_back({ballSeries(), b});
    }
    const QImage production = renderPicture(sets, v);
    const QImage literal = renderPictureLiteral(sets, v);
    QCOMPARE(production, literal);
    // The scalar path (processors without AVX2) gives the same pixels.
    const bool before = setVolumeRenderVectorPath(false);
    const QImage scalar = renderPicture(sets, v);
    setVolumeRenderVectorPath(before);
    QCOMPARE(scalar, literal);
    // The picture is not trivially white.
    QImage white(production.size(), production.format());
    white.fill(Qt::white);
    QVERIFY(production != white);
  }
};

QTEST_MAIN(TestVolumeRender)
#include "tst_volumerender.moc"
