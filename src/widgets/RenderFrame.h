#pragma once

class ImgData;
class QImage;
class ColorBar;

// Renders a frame into a display image through the bar's mapping (taking the
// frame's range unless the bar is fixed), then shows the range in the bar.
void renderFrame(ImgData& frame, QImage& image, ColorBar& bar);
