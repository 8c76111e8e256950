#pragma once

#include <QString>
#include <vector>

class ImgDatas;

// The rotation angles a scan file states for its projections, compared with
// the data-set range and angle origin a run will use (projection j at
// origin + j * range / count). The reconstruction always uses the run's
// values; this only tells the operator whether the file agrees.

// The comparison for angles in degrees, one per projection in set order.
// warn is set when the angles are uneven or disagree with the run.
QString compareScanAngles(const std::vector<double>& anglesDeg, double rangeDeg, double originDeg,
                          bool& warn);

// Compares the angles of the set's frames, when every frame came from a scan
// file that states one, and writes the outcome to the debug log (a warning
// when it disagrees). Returns the text logged; "" when nothing was compared.
QString checkScanAngles(const ImgDatas& set, double rangeDeg, double originDeg);
