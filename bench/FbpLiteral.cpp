// The literal back-projection loop of FbpReference.h in a translation unit of
// its own, compiled once per instruction set with the options of the kernel
// built for it (see fbp.cmake), so that the benchmark compares like with like.

#include "FbpLiteral.h"

#include "FbpReference.h"

void FBP_LITERAL_NAME(std::vector<double>& image, int n, const double* filtered, int rows,
                      double angle0, double dAngle) {
  fbpref::backProjectAll(image, n, filtered, rows, 0, n, 0, n, angle0, dAngle);
}
