// The headless 3D render tool: PNG and SVG output of the same view look the same,
// the SVG embeds the volume once, and an unknown output suffix is refused.

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtTest>

#include "tst_view3d_fixture.h"

namespace {

const QString kTool = QStringLiteral(VANTO_BINARY_DIR "/tools/vanto-render3d/vanto-render3d");

int run(const QStringList& args, QByteArray* err = nullptr) {
  QProcess p;
  p.start(kTool, args);
  if (!p.waitForFinished(60000)) return -100;
  if (err) *err = p.readAllStandardError();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -101;
}

}  // namespace

class TestRender3dTool : public QObject {
  Q_OBJECT
 private slots:
  void pngAndSvgAgree() {
    QTemporaryDir dir;
    const QStringList files = view3dfixture::writeXyvSeries(
        dir, "s", 48, 40, 12,
        [](int x, int y, int k) { return view3dfixture::ballInBox(x, y, k, 48, 40, 12); });
    const QStringList common{"--size", "120x100", "--turn",   "x:30",
                             "--turn", "y:-20",   "--window", "5:95"};
    const QString png = dir.filePath("v.png"), svg = dir.filePath("v.SVG");
    QCOMPARE(run(common + QStringList{"--out", png} + files), 0);
    QCOMPARE(run(common + QStringList{"--out", svg} + files), 0);
    // An unknown suffix is refused with a message, and nothing is written.
    QByteArray err;
    QVERIFY(run(common + QStringList{"--out", dir.filePath("v.xyz")} + files, &err) != 0);
    QVERIFY(!err.isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("v.xyz")));

    const QImage raster(png);
    QCOMPARE(raster.size(), QSize(120, 100));
    QFile f(svg);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QCOMPARE(text.count("<image"), 1);  // the volume once, not one element per pixel
    QVERIFY(text.size() < 200000);

    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QImage drawn(120, 100, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::white);
    QPainter p(&drawn);
    renderer.render(&p);
    p.end();
    int nonWhite = 0, far = 0;
    double sum = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 120; ++x) {
        const QColor a = raster.pixelColor(x, y), b = drawn.pixelColor(x, y);
        if (a != QColor(Qt::white)) ++nonWhite;
        const int d = std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                      std::abs(a.blue() - b.blue());
        sum += d;
        if (d > 60) ++far;
      }
    QVERIFY(nonWhite > 500);  // the ball is there
    // The volume is embedded as the same picture; only the edges differ by the SVG
    // renderer's antialiasing of slanted lines (edges straddling two pixels, as with
    // lines on whole coordinates, give a mean of about 11).
    QVERIFY2(sum / (120 * 100) < 8.0, qPrintable(QString::number(sum / 12000)));
    QVERIFY2(far < 240, qPrintable(QString::number(far)));  // under 2 % of the pixels
  }
};

QTEST_MAIN(TestRender3dTool)
#include "tst_render3dtool.moc"
