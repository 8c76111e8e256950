#include "imagedata/I0ofImage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "widgets/SelectAFile.h"

I0ofImage::I0ofImage(QWidget* parent)
    : QFrame(parent),
      title_(new QLabel(tr("I0 of Image"), this)),
      i0Val_(new QLineEdit("1.0", this)),
      calcFromXafs_(new QCheckBox(tr("Calc from XAFS file"), this)),
      xafsFile_(new SelectAFile(this)),
      label_(new QLabel(tr("Eng. Ptn in Img F. Name :"), this)),
      engPattern_(new QLineEdit("####_####", this)) {
  title_->setObjectName("Title");
  i0Val_->setObjectName("I0Val");
  calcFromXafs_->setObjectName("CalcFromXAFS");
  xafsFile_->setObjectName("XafsFile");
  label_->setObjectName("label");
  engPattern_->setObjectName("EngPattern");
  i0Val_->setMaximumWidth(50);
  i0Val_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  calcFromXafs_->setChecked(true);
  engPattern_->setMaximumWidth(100);
  // Left to right: title, I0 value, the XAFS switch and file; the energy
  // pattern goes on a second row under the switch and the file, so that the
  // panel fits the main window's left column.
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(2, 2, 2, 2);
  grid->addWidget(title_, 0, 0);
  grid->addWidget(i0Val_, 0, 1);
  grid->addWidget(calcFromXafs_, 0, 2);
  grid->addWidget(xafsFile_, 0, 3);
  grid->addWidget(label_, 1, 2, Qt::AlignRight);
  grid->addWidget(engPattern_, 1, 3, Qt::AlignLeft);
  grid->setColumnStretch(3, 1);
}

void I0ofImage::setTitle(const QString& t) { title_->setText(t); }
QString I0ofImage::title() const { return title_->text(); }
