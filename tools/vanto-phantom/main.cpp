// vanto-phantom: writes a deterministic synthetic CT data set of an ellipsoid
// phantom (projections, I0, background, description) for demos and tests.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "PhantomWriter.h"

namespace {

const char kDescription[] =
    "Writes a synthetic parallel-beam CT data set of a 3D ellipsoid phantom.\n"
    "\n"
    "Geometry: projection k is taken at theta_k = angle-origin + k * range / projections\n"
    "(degrees). In each slice the point (u, v) relative to the rotation axis (u to the\n"
    "right, v downwards on the reconstruction grid) is seen by the detector pixel\n"
    "  t = u cos(theta) - v sin(theta) + cor,\n"
    "i.e. image point (x, y) about the slice centre c lands at\n"
    "  t = (x - c) cos(theta) - (y - c) sin(theta) + cor.\n"
    "Slices are detector rows (--axis v: images are width x rows) or detector\n"
    "columns (--axis h: images are rows x width).\n"
    "\n"
    "Intensities: I = BG + (I0 - BG) exp(-line integral of mu), rounded to unsigned\n"
    "16-bit counts; I0 is about 30000 with a gentle fall-off towards the detector edges,\n"
    "BG about 100. --noise adds photon noise (Gaussian with the variance of the count),\n"
    "the same for the same seed. The same options always give the same bytes.\n"
    "\n"
    "Output in DIR: proj-NNNNN.img (ITEX, one per angle), or proj.his (one multi-frame\n"
    "ITEX file, frame k = angle k), or proj-NNNNN.tif (16-bit TIFF); i0.img and bg.img\n"
    "(i0.tif and bg.tif with --format tif); or, with --format h5, one HDF5 file holding\n"
    "the projections, 10 flat and 5 dark frames with a little noise, the angles and the\n"
    "exposure time: scan.h5 in the Data Exchange layout (/exchange/data, data_white,\n"
    "data_dark, theta) or, with --layout nxtomo, scan.nxs in the NXtomo layout (every frame\n"
    "in /entry/instrument/detector/data, image_key 2 dark, 1 flat, 0 projection);\n"
    "phantom.txt describing the set; with --truth\n"
    "truth/truth-NNNNN.raw, the ground-truth attenuation of each slice on the\n"
    "reconstruction grid (float32, little-endian, square).\n"
    "\n"
    "Energy scan (--energies E1,E2,... in eV, at most 200, up to three decimals): one\n"
    "complete data set per energy, <energy> written as in 7100eV or 7112_5eV:\n"
    "  --layout engdirs: scan/<energy>/proj-NNNNN.img, one folder per energy;\n"
    "  --layout heron:   scan/sample-<energy>-NNNN.img, NNNN from 0001;\n"
    "plus i0/i0-<energy>-0001.img (the I0 of each energy), bg.img (one background for\n"
    "all energies), phantom.txt and, with --truth, truth/<energy>/truth-NNNNN.raw\n"
    "(.his or .tif instead of .img as --format says).\n"
    "Select DIR/scan as the data folder and the files of DIR/i0 as the I0 list. The\n"
    "inner features (material 3) absorb 3 times as much at and above the absorption\n"
    "edge (--edge, by default midway between the two middle energies) as below it;\n"
    "the other materials do not change. The I0 of each energy is scaled by its own\n"
    "factor (1 at the lowest energy, 0.6 to 1.4 otherwise), listed in phantom.txt.";

void fail(const QCommandLineParser& parser, const QString& message) {
  std::fprintf(stderr, "vanto-phantom: %s\n\n%s", qPrintable(message),
               qPrintable(parser.helpText()));
  std::exit(2);
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("vanto-phantom");

  QCommandLineParser parser;
  parser.setApplicationDescription(QString::fromLatin1(kDescription));
  const QCommandLineOption help({"h", "help"}, "Show this help.");
  const QCommandLineOption out("out", "Output folder DIR (created).", "DIR");
  const QCommandLineOption width("width", "Detector pixels across the rotation axis (512).", "W");
  const QCommandLineOption rows("rows", "Detector pixels along the axis = slices (16).", "R");
  const QCommandLineOption projections("projections", "Number of projections (360).", "P");
  const QCommandLineOption range("range", "Angular range in degrees, 0 < DEG <= 360 (180).", "DEG");
  const QCommandLineOption cor("cor",
                               "Centre of rotation in detector pixels, fractional "
                               "allowed (W / 2).",
                               "C");
  const QCommandLineOption origin("angle-origin", "Angle of the first projection (0).", "DEG");
  const QCommandLineOption format("format", "img, his, tif or h5 (img).", "FMT");
  const QCommandLineOption noise("noise", "Add photon noise from this seed (off).", "SEED");
  const QCommandLineOption axis("axis", "v: slices are detector rows; h: columns (v).", "AXIS");
  const QCommandLineOption truth("truth", "Also write the ground-truth slices.");
  const QCommandLineOption energies("energies",
                                    "Energy scan: one data set per energy, in eV "
                                    "(e.g. 7100,7112.5,7200).",
                                    "E1,E2,...");
  const QCommandLineOption layout("layout",
                                  "Layout of an energy scan: engdirs or heron (engdirs); of an "
                                  "HDF5 file (--format h5): dx or nxtomo (dx).",
                                  "LAYOUT");
  const QCommandLineOption edge("edge",
                                "Absorption edge of an energy scan in eV (midway between "
                                "the two middle energies).",
                                "EV");
  const QCommandLineOption gzip("gzip",
                                "gzip level 1 to 9 of the HDF5 frames, one chunk per frame; 0: "
                                "contiguous, uncompressed (1).",
                                "LEVEL");
  parser.addOptions({help, out, width, rows, projections, range, cor, origin, format, noise, axis,
                     truth, energies, layout, edge, gzip});

  if (!parser.parse(app.arguments())) fail(parser, parser.errorText());
  if (parser.isSet(help)) {
    std::fputs(qPrintable(parser.helpText()), stdout);
    return 0;
  }
  if (!parser.positionalArguments().isEmpty())
    fail(parser, "unexpected argument " + parser.positionalArguments().first());

  PhantomOptions o;
  if (!parser.isSet(out) || parser.value(out).isEmpty()) fail(parser, "--out DIR is required");
  o.outDir = parser.value(out);

  auto intValue = [&](const QCommandLineOption& opt, int def, int lo, int hi) {
    if (!parser.isSet(opt)) return def;
    bool ok = false;
    const int v = parser.value(opt).toInt(&ok);
    if (!ok || v < lo || v > hi)
      fail(parser, QStringLiteral("--%1 needs an integer from %2 to %3")
                       .arg(opt.names().first())
                       .arg(lo)
                       .arg(hi));
    return v;
  };
  auto doubleValue = [&](const QCommandLineOption& opt, double def) {
    if (!parser.isSet(opt)) return def;
    bool ok = false;
    const double v = parser.value(opt).toDouble(&ok);
    if (!ok || !std::isfinite(v))
      fail(parser, QStringLiteral("--%1 needs a number").arg(opt.names().first()));
    return v;
  };

  o.width = intValue(width, 512, 8, 65535);
  o.rows = intValue(rows, 16, 1, 65535);
  o.projections = intValue(projections, 360, 1, 1000000);
  o.rangeDeg = doubleValue(range, 180.0);
  if (!(o.rangeDeg > 0.0 && o.rangeDeg <= 360.0)) fail(parser, "--range must be in (0, 360]");
  o.cor = doubleValue(cor, o.width / 2.0);
  // At least three detector pixels on each side, so a reconstruction grid exists.
  if (o.cor < 3.0 || o.cor > o.width - 4.0)
    fail(parser, QStringLiteral("--cor must be from 3 to %1").arg(o.width - 4));
  o.angleOriginDeg = doubleValue(origin, 0.0);

  const QString fmt = parser.isSet(format) ? parser.value(format) : QStringLiteral("img");
  if (fmt == "img")
    o.format = PhantomOptions::Format::Img;
  else if (fmt == "his")
    o.format = PhantomOptions::Format::His;
  else if (fmt == "tif")
    o.format = PhantomOptions::Format::Tif;
  else if (fmt == "h5")
    o.format = PhantomOptions::Format::H5;
  else
    fail(parser, "--format must be img, his, tif or h5");
  const bool h5 = o.format == PhantomOptions::Format::H5;
  if (parser.isSet(gzip) && !h5) fail(parser, "--gzip needs --format h5");
  o.h5Gzip = intValue(gzip, 1, 0, 9);
  if (o.format == PhantomOptions::Format::His && o.projections > 65535)
    fail(parser, "a .his file holds at most 65535 frames");

  if (parser.isSet(noise)) {
    bool ok = false;
    o.noiseSeed = parser.value(noise).toULongLong(&ok);
    if (!ok) fail(parser, "--noise needs an unsigned integer seed");
    o.noise = true;
  }
  const QString ax = parser.isSet(axis) ? parser.value(axis) : QStringLiteral("v");
  if (ax != "v" && ax != "h") fail(parser, "--axis must be v or h");
  o.axisVertical = ax == "v";
  o.truth = parser.isSet(truth);

  if (h5 && parser.isSet(energies)) fail(parser, "--format h5 writes one data set, not --energies");
  if (parser.isSet(energies)) {
    QString error;
    if (!PhantomWriter::parseEnergies(parser.value(energies), o.energies, error))
      fail(parser, "--energies: " + error);
  } else if ((parser.isSet(layout) && !h5) || parser.isSet(edge)) {
    fail(parser, "--layout and --edge need --energies");
  }
  if (parser.isSet(layout) && h5) {
    const QString l = parser.value(layout);
    if (l == "dx")
      o.h5Layout = PhantomOptions::H5Layout::DataExchange;
    else if (l == "nxtomo")
      o.h5Layout = PhantomOptions::H5Layout::NXtomo;
    else
      fail(parser, "--layout of an HDF5 file must be dx or nxtomo");
  } else if (parser.isSet(layout)) {
    const QString l = parser.value(layout);
    if (l == "engdirs")
      o.layout = PhantomOptions::Layout::EngDirs;
    else if (l == "heron")
      o.layout = PhantomOptions::Layout::Heron;
    else
      fail(parser, "--layout must be engdirs or heron");
  }
  if (parser.isSet(edge)) {
    o.edgeEV = doubleValue(edge, 0.0);
    if (!(o.edgeEV > 0.0)) fail(parser, "--edge must be a positive energy in eV");
  }

  PhantomWriter writer(o);
  if (!writer.write()) {
    std::fprintf(stderr, "vanto-phantom: %s\n", qPrintable(writer.errorText()));
    return 1;
  }
  return 0;
}
