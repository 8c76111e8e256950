#include "widgets/ImgDisp.h"

#include <QDebug>
#include <QPainter>

ImgDisp::ImgDisp(QWidget* parent)
    : DispAWLayout(parent), display(dispB()), mouse(dispB()->mouse()), mapping(dispB()->coord()) {
  connect(this, &DispAWLayout::wheelMoved0, this, &ImgDisp::onWheelMoved);
  connect(this, &DispAWLayout::mouseMoved0, this, &ImgDisp::onMouseMoved);
  connect(this, &DispAWLayout::mousePressed0, this, &ImgDisp::onMousePressed);
  connect(this, &DispAWLayout::mouseReleased0, this, &ImgDisp::onMouseReleased);
  connect(this, &DispAWLayout::drawImage1, this, &ImgDisp::draw);
}

void ImgDisp::setView(const QRectF& v) {
  view_ = v;
  viewSet_ = true;
  if (!image_.isNull()) fittedSize_ = image_.size();
  setMappingFromView();
  display->update();
}

void ImgDisp::setMappingFromView() {
  // The surface may have been resized since its last repaint.
  mapping->setScreenArea(0, display->height(), display->width(), 0);
  // Image rows grow downwards: the bottom of the surface is the view's bottom.
  mapping->setDataRange(view_.x(), view_.y() + view_.height(), view_.x() + view_.width(),
                        view_.y());
}

QPointF ImgDisp::imagePos(double sx, double sy) const {
  // The surface's y range runs from its height (bottom) to 0 (top).
  return {mapping->screenToDataX(sx), mapping->screenToDataY(sy)};
}

void ImgDisp::onWheelMoved() {
  if (!wheelOn) return;
  setMappingFromView();
  const double f = display->zoomFactor();
  const double W = display->width(), H = display->height();
  if (W <= 0 || H <= 0) return;
  const QPointF m = display->wheelPos();
  const QPointF c = imagePos(m.x(), m.y());
  const double nw = view_.width() * f, nh = view_.height() * f;
  view_ = QRectF(c.x() - m.x() / W * nw, c.y() - m.y() / H * nh, nw, nh);
  setMappingFromView();
  emit newS(view_);
  display->update();
}

void ImgDisp::onMouseMoved() {
  if (!mouseOn) return;
  setMappingFromView();
  const QPointF pos = imagePos(mouse->x, mouse->y);
  emit newPos(static_cast<int>(pos.x()), static_cast<int>(pos.y()));
  if (mouse->pressed && mouse->pressedLeft) {
    const MouseC::MStat s = mouse->pressStat();
    if (s == MouseC::LShift && selecting_) {
      selection_.setWidth(pos.x() - selection_.x());
      selection_.setHeight(pos.y() - selection_.y());
    } else if (s == MouseC::L && dragOn) {
      const QPointF prev = imagePos(mouse->prevX, mouse->prevY);
      view_.translate(prev - pos);
      setMappingFromView();
      emit newS(view_);
    }
  }
  display->update();
}

void ImgDisp::onMousePressed() {
  if (!mouseOn) return;
  setMappingFromView();
  const MouseC::MStat s = mouse->pressStat();
  if (s == MouseC::LShift) {
    selecting_ = true;
    selection_ = QRectF(imagePos(mouse->pressX, mouse->pressY), QSizeF(0, 0));
  } else if (s == MouseC::RShift) {
    selecting_ = false;
    selection_ = QRectF();
  }
  display->update();
}

void ImgDisp::onMouseReleased() {
  if (!mouseOn) return;
  setMappingFromView();
  const MouseC::MStat s = mouse->pressStat();
  if (s == MouseC::LShift && selecting_) {
    selecting_ = false;
    if (selection_.width() != 0.0 && selection_.height() != 0.0) {
      selection_ = selection_.normalized();
      hasSelection_ = true;
    }
  }
  if (s == MouseC::L || s == MouseC::R) {
    const QPointF pos = imagePos(mouse->releaseX, mouse->releaseY);
    emit selectedAPoint(pos.x(), pos.y(), s);
  }
  display->update();
}

void ImgDisp::draw(QPainter* p) {
  if (image_.isNull() || !viewSet_ || view_.isEmpty()) return;
  // Only the visible part of the image is scaled and drawn.
  p->drawImage(QRectF(0, 0, display->width(), display->height()), image_, view_);
}

void ImgDisp::newImage() {
  if (static_cast<qint64>(image_.width()) * image_.height() > 0) {
    // Zoom and position stay while the images keep their size; a view of another
    // size's image would show a strip of the new one (or mostly nothing).
    if (!viewSet_ || image_.size() != fittedSize_) {
      view_ = QRectF(0, 0, image_.width(), image_.height());
      fittedSize_ = image_.size();
      setMappingFromView();
      viewSet_ = true;
      emit newS(view_);
    }
  }
  display->update();
}

void ImgDisp::resetScale() {
  view_ = QRectF(0, 0, image_.width(), image_.height());
  fittedSize_ = image_.size();
  setMappingFromView();
  display->update();
}

bool ImgDisp::saveImage(QString fname) {
  const QRect wanted(static_cast<int>(view_.x()), static_cast<int>(view_.y()),
                     static_cast<int>(view_.width()), static_cast<int>(view_.height()));
  // Only the part of the view that lies on the image can be saved.
  const QRect part = wanted.intersected(image_.rect());
  if (part.isEmpty()) {
    qWarning().noquote() << "Nothing of the image is in view to save" << ("\"" + fname + "\"");
    return false;
  }
  if (!image_.copy(part).save(fname)) {
    qWarning().noquote() << "Can not save image" << ("\"" + fname + "\"");
    return false;
  }
  return true;
}
