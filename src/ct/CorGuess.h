#pragma once

#include "ct/SinogramBuilder.h"

// Images per half turn, trunc(180 / range * frames), into k; false when the
// range gives no finite count (a range of 0, say) or it does not fit an int.
bool imagesPerHalfTurn(double rangeDeg, int frameCount, long long& k);

// Index of the projection opposite the first one used: trunc(180 / range * n)
// + start, n taken as n - 1, then modulo n (never negative). -1 when there are
// no frames or the range gives no finite partner.
int corPartnerIndex(double rangeDeg, int frameCount, int start);

// Correlation of line a at t + u with line b at t - 1 - u over |u| < fraction
// * length (linear interpolation, samples outside the lines count as 0).
double corScore(const double* a, const double* b, int length, double t, double fraction);

// Guesses the centre of rotation from the first used projection and its
// opposite: a coarse search in whole pixels around currentCor (repeated while
// the best score rises), then 0.1-pixel steps within +-2 of the candidate.
// Equal scores keep the smaller centre. Returns currentCor when there is
// nothing to compare.
double guessCor(const SinogramSource& src, const SinogramParams& p, double fraction,
                double currentCor);
