// widget-preview [--frame FILE] [--grab FILE]
//
// Shows an ImgDispWPV with a frame (FILE, or a synthetic frame) beside a
// CtDisp gallery of numbered images. With --grab the window is saved to a PNG
// and the program ends. It also prints how long rendering a 2048 x 2048
// 16-bit frame into the display image and repainting the display take.
#include <QApplication>
#include <QCommandLineParser>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QHBoxLayout>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>

#include "imagedata/ImgData.h"
#include "widgets/CtDisp.h"
#include "widgets/ImgDispWPV.h"
#include "widgets/RenderFrame.h"

namespace {
// Writes a single-frame 16-bit ITEX file with a smooth pattern.
bool writeItex16(const QString& path, int w, int h) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  const QByteArray comment =
      QString("Prop_ImageWidth=%1,Prop_ImageHeight=%2,").arg(w).arg(h).toLatin1();
  QDataStream s(&f);
  s.setByteOrder(QDataStream::LittleEndian);
  s.writeRawData("IM", 2);
  s << quint16(comment.size()) << quint16(w) << quint16(h) << quint16(0) << quint16(0)
    << quint16(2) << quint16(1);
  const QByteArray pad(48, '\0');
  s.writeRawData(pad.constData(), pad.size());
  s.writeRawData(comment.constData(), comment.size());
  QByteArray row(w * 2, '\0');
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const quint16 v = quint16(30000 + 20000 * std::sin(x * 0.01) * std::cos(y * 0.013));
      row[2 * x] = char(v & 0xff);
      row[2 * x + 1] = char(v >> 8);
    }
    s.writeRawData(row.constData(), row.size());
  }
  return f.error() == QFile::NoError;
}

std::unique_ptr<ImgData> openFrame(const QString& path) {
  auto frame = createImgData(fileType(path));
  if (!frame) return nullptr;
  frame->setFilePath(path);
  if (!frame->open(0)) return nullptr;
  return frame;
}

void timeLargeFrame() {
  QTemporaryDir dir;
  const QString path = dir.filePath("big.img");
  if (!writeItex16(path, 2048, 2048)) return;
  auto frame = openFrame(path);
  if (!frame) return;
  ImgDispWPV disp;
  disp.resize(800, 800);
  disp.show();
  QImage img;
  QElapsedTimer t;
  t.start();
  renderFrame(*frame, img, *disp.colorBar());  // includes the one-time min/max scan
  const double first = t.nsecsElapsed() / 1e6;
  constexpr int kRepeats = 5;
  t.restart();
  for (int i = 0; i < kRepeats; ++i) renderFrame(*frame, img, *disp.colorBar());
  const double again = t.nsecsElapsed() / 1e6 / kRepeats;
  disp.image() = img;
  disp.newImage();
  disp.dispB()->grab();  // first paint
  t.restart();
  for (int i = 0; i < kRepeats; ++i) disp.dispB()->grab();
  const double paint = t.nsecsElapsed() / 1e6 / kRepeats;
  std::printf("2048x2048 16-bit frame: renderFrame first %.1f ms (with min/max scan), "
              "then %.1f ms; repaint of the %dx%d display %.1f ms\n",
              first, again, disp.dispB()->width(), disp.dispB()->height(), paint);
}

std::unique_ptr<ImgData> syntheticFrame(QTemporaryDir& dir) {
  const QString path = dir.filePath("synthetic.img");
  return writeItex16(path, 512, 256) ? openFrame(path) : nullptr;
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCommandLineParser p;
  p.addOption({"frame", "ITEX frame to show.", "file"});
  p.addOption({"grab", "Save the window to this PNG and quit.", "file"});
  p.process(app);

  QWidget win;
  win.setWindowTitle("Vanto widget preview");
  auto* row = new QHBoxLayout(&win);
  auto* disp = new ImgDispWPV;
  auto* gallery = new CtDisp;
  row->addWidget(disp, 1);
  row->addWidget(gallery, 1);

  QTemporaryDir tmp;
  std::unique_ptr<ImgData> frame =
      p.isSet("frame") ? openFrame(p.value("frame")) : syntheticFrame(tmp);
  if (frame) {
    renderFrame(*frame, disp->image(), *disp->colorBar());
    disp->newImage();
  }
  // A few numbered slices, added out of order; the gallery keeps them sorted.
  for (int no : {12, 3, 7, 20}) {
    QImage img(256, 256, QImage::Format_Grayscale8);
    img.fill(0);
    QPainter pa(&img);
    pa.setBrush(QColor(60 + no * 8, 60 + no * 8, 60 + no * 8));
    pa.setPen(Qt::NoPen);
    pa.drawEllipse(QPointF(128, 128), 40 + no * 4, 60 + no * 2);
    pa.setPen(Qt::white);
    QFont f = pa.font();
    f.setPointSize(20);
    pa.setFont(f);
    pa.drawText(QRectF(0, 0, 256, 40), Qt::AlignCenter, QString("slice %1").arg(no));
    pa.end();
    gallery->addImg(no, img);
  }
  win.resize(1200, 640);
  win.show();
  timeLargeFrame();
  if (p.isSet("grab")) {
    QTimer::singleShot(200, &app, [&]() {
      // A move over the display fills the readout row.
      disp->noticedNewPos(disp->image().width() / 2, disp->image().height() / 2);
      disp->setVal(frame ? frame->row(disp->image().height() / 2, frame->rowBuffer())
                               [disp->image().width() / 2]
                         : 0.0);
      win.grab().save(p.value("grab"));
      app.quit();
    });
  }
  return app.exec();
}
