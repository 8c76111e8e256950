#pragma once

#include <vector>

// The literal loop over the whole n x n region, built with the options of
// the scalar, AVX2 and AVX-512 kernels respectively.
void literalScalar(std::vector<double>& image, int n, const double* filtered, int rows,
                   double angle0, double dAngle);
void literalAvx2(std::vector<double>& image, int n, const double* filtered, int rows, double angle0,
                 double dAngle);
void literalAvx512(std::vector<double>& image, int n, const double* filtered, int rows,
                   double angle0, double dAngle);
