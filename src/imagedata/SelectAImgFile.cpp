#include "imagedata/SelectAImgFile.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "imagedata/ImgDataHdf5.h"
#include "widgets/ImgDispWPV.h"
#include "widgets/RenderFrame.h"

SelectAImgFile::SelectAImgFile(QWidget* parent)
    : SelectAFile(parent),
      disp_(std::make_unique<ImgDispWPV>()),
      expTimeLbl1_(new QLabel(tr("Exp Time"), this)),
      expTimeLE_(new QLineEdit("0.05", this)),
      expTimeLbl2_(new QLabel("[s]", this)),
      showImg_(new QPushButton(tr("Show Img"), this)) {
  expTimeLbl1_->setObjectName("ExpTimeLBL1");
  expTimeLE_->setObjectName("ExpTimeLE");
  expTimeLbl2_->setObjectName("ExpTimeLBL2");
  showImg_->setObjectName("ShowImg");
  expTimeLE_->setMinimumWidth(50);
  expTimeLE_->setMaximumWidth(60);
  expTimeLE_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  defaultExpTime_ = expTimeLE_->text().toDouble();
  if (auto* row = qobject_cast<QBoxLayout*>(layout())) {
    row->addWidget(expTimeLbl1_);
    row->addWidget(expTimeLE_);
    row->addWidget(expTimeLbl2_);
    row->addWidget(showImg_);
  }
  connect(this, &SelectAFile::fileSelected, this, &SelectAImgFile::load);
  connect(this, &SelectAFile::clear, this, &SelectAImgFile::clear);
  connect(disp_.get(), &ImgDispWPV::newPosInvY, this, &SelectAImgFile::noticedNewPos);
  connect(showImg_, &QPushButton::clicked, this, [this]() {
    if (!frame_) return;
    disp_->show();
    disp_->raise();
  });
}

SelectAImgFile::~SelectAImgFile() = default;

double SelectAImgFile::expTime() const {
  bool ok = false;
  const double v = expTimeLE_->text().toDouble(&ok);
  return ok ? v : 0.0;
}

void SelectAImgFile::setExpTime(double time) { expTimeLE_->setText(QString::number(time, 'g', 6)); }

bool SelectAImgFile::load(const QString& fname) {
  std::unique_ptr<ImgData> reader = createImgData(fileType(fname));
  if (!reader) {
    setStat(false);
    return false;
  }
  if (auto* h5 = dynamic_cast<ImgDataHdf5*>(reader.get())) h5->setRole(hdf5Role_);
  reader->setFilePath(fname);
  if (!reader->open(0)) {
    setStat(false);
    return false;
  }
  // The slot never points at a deleted frame: the old frame goes only when
  // the new one is ready to take its place.
  frame_ = std::move(reader);
  setStat(true);
  renderFrame(*frame_, disp_->image(), *disp_->colorBar());
  disp_->newImage();
  disp_->show();
  return true;
}

void SelectAImgFile::noticedNewPos(double x, double y) {
  if (!frame_) return;
  const double tx = std::trunc(x), ty = std::trunc(y);
  double v = 0.0;
  if (tx >= 0 && ty >= 0 && tx < frame_->width() && ty < frame_->height()) {
    v = frame_->row(int(ty), frame_->rowBuffer())[int(tx)];
  }
  disp_->setVal(v);
}

void SelectAImgFile::clear() {
  frame_.reset();
  expTimeLE_->setText(QString::number(defaultExpTime_, 'g', 6));
}
