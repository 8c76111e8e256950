// vanto-render3d: renders saved slice files (pictures, CT data files, XYV files) as
// the 3D view draws them, without a window, to a raster picture or to SVG.

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QStringList>
#include <QSvgGenerator>
#include <cmath>
#include <cstdio>

#include "view3d/SliceDatas.h"
#include "view3d/VolumeRender.h"

namespace {

const char* kUsage =
    "usage: vanto-render3d [options] FILES...\n"
    "  --size WxH          picture size (default 512x512)\n"
    "  --turn AXIS:DEG     turn about the screen axis x, y or z (repeatable, in order)\n"
    "  --window LOW:HIGH   value window in percent of the range (default 0:100)\n"
    "  --section POS       cross-section position -100..100 (turns the section on)\n"
    "  --scale S           volume units per picture pixel (default 1)\n"
    "  --out FILE          output; suffix png/jpg/... raster, svg vector\n";

int fail(const QString& message, int code) {
  std::fprintf(stderr, "vanto-render3d: %s\n", qPrintable(message));
  return code;
}

bool parsePair(const QString& text, QChar sep, double* a, double* b) {
  const QStringList parts = text.split(sep);
  if (parts.size() != 2) return false;
  bool okA = false, okB = false;
  *a = parts[0].toDouble(&okA);
  *b = parts[1].toDouble(&okB);
  return okA && okB && std::isfinite(*a) && std::isfinite(*b);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);

  int width = 512, height = 512;
  double low = 0, high = 100, scale = 1;
  bool section = false;
  int sectionPos = 0;
  QString out;
  QStringList files;
  ViewState view;

  for (int i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    auto value = [&](QString* v) {
      if (i + 1 >= args.size()) return false;
      *v = args[++i];
      return true;
    };
    QString v;
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--size") {
      double w, h;
      if (!value(&v) || !parsePair(v.toLower(), 'x', &w, &h))
        return fail("bad --size (expected WxH): " + v, 1);
      width = int(std::clamp(w, -1e9, 1e9));
      height = int(std::clamp(h, -1e9, 1e9));
    } else if (a == "--turn") {
      double deg, dummy = 0;
      if (!value(&v) || v.size() < 3 || v[1] != ':') return fail("bad --turn: " + v, 1);
      const QChar axis = v[0].toLower();
      Q_UNUSED(dummy);
      bool ok = false;
      deg = v.mid(2).toDouble(&ok);
      if (!ok || !std::isfinite(deg) || (axis != 'x' && axis != 'y' && axis != 'z'))
        return fail("bad --turn (expected x|y|z:DEGREES): " + v, 1);
      const Vec3 ax = axis == 'x' ? view.ex : axis == 'y' ? view.ey : view.ez;
      rotateAxes(view.ex, view.ey, view.ez, ax, deg * M_PI / 180);
    } else if (a == "--window") {
      if (!value(&v) || !parsePair(v, ':', &low, &high))
        return fail("bad --window (expected LOW:HIGH): " + v, 1);
    } else if (a == "--section") {
      bool ok = false;
      if (!value(&v)) return fail("missing --section value", 1);
      sectionPos = v.toInt(&ok);
      if (!ok || sectionPos < -100 || sectionPos > 100)
        return fail("bad --section (expected -100..100): " + v, 1);
      section = true;
    } else if (a == "--scale") {
      bool ok = false;
      if (!value(&v)) return fail("missing --scale value", 1);
      scale = v.toDouble(&ok);
      if (!ok || !(scale > 0) || !std::isfinite(scale)) return fail("bad --scale: " + v, 1);
    } else if (a == "--out") {
      if (!value(&out)) return fail("missing --out file", 1);
    } else if (a.startsWith("--")) {
      return fail("unknown option " + a + "\n" + kUsage, 1);
    } else {
      files << a;
    }
  }
  if (files.isEmpty() || out.isEmpty()) return fail(QString("nothing to do\n") + kUsage, 1);

  const QString suffix = QFileInfo(out).suffix().toLower();
  const bool svg = suffix == "svg";
  if (!svg && !QImageWriter::supportedImageFormats().contains(suffix.toLatin1()))
    return fail("unsupported output format: " + out, 2);

  SliceDatas datas;
  datas.filesSelected(files);
  if (!datas.isLoaded()) return fail("no slice file could be read", 3);

  const QSize size = clampedPictureSize(width, height);
  view.width = size.width();
  view.height = size.height();
  view.scale = scale;
  SliceSetStyle style;
  style.rMin = datas.minimum();
  style.rMax = datas.maximum();
  style.minPC = low;
  style.maxPC = high;
  style.showSection = section;
  style.slider = sectionPos;
  style.sectionNormal = view.ez;
  const std::vector<SliceSetInput> sets{sliceSetInput(datas, style)};

  if (svg) {
    QSvgGenerator gen;
    gen.setFileName(out);
    gen.setSize(size);
    gen.setViewBox(QRect(QPoint(0, 0), size));
    gen.setTitle(QStringLiteral("Vanto 3D view"));
    QPainter p;
    if (!p.begin(&gen)) return fail("cannot write " + out, 4);
    paintPicture(p, size.width(), size.height(), sets, view, 0.5);
    p.end();
  } else {
    const QImage picture = renderPicture(sets, view);
    qDebug() << "saving" << out;
    if (!picture.save(out, suffix.toLatin1().constData())) return fail("cannot write " + out, 4);
  }
  std::printf("%s: %d slices of %dx%d, %dx%d picture\n", qPrintable(out),
              int(datas.slices().size()), datas.width(), datas.height(), size.width(),
              size.height());
  return 0;
}
