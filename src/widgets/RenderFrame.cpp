#include "widgets/RenderFrame.h"

#include "imagedata/ImgData.h"
#include "widgets/ColorBar.h"

void renderFrame(ImgData& frame, QImage& image, ColorBar& bar) {
  frame.toImage(image, bar.map());
  bar.refreshFromMap();
}
