#pragma once

#include <QString>
#include <vector>

// The reconstruction filter: the ramp, optionally shaped by a smoothing
// window, applied either to the row as it is (the ramp sampled in frequency,
// the default) or to the row zero-padded to a power of two with the ramp
// built in the spatial domain.
enum class FilterWindow { Ramp, SheppLogan, Cosine, Hamming, Hann };

struct FbpFilterChoice {
  FilterWindow window = FilterWindow::Ramp;
  bool padding = false;

  bool operator==(const FbpFilterChoice&) const = default;
};

// "ramp", "shepp-logan", "cosine", "hamming", "hann".
QString filterWindowName(FilterWindow w);
// The window of a name (letter case ignored); false for an unknown name.
bool filterWindowFromName(const QString& name, FilterWindow& w);

// The window's factor at frequency index k of an n-point transform
// (k = 0 .. n / 2): with f = k / n, f_max = 1/2 and w = pi f / f_max,
// Shepp-Logan sin(w/2) / (w/2) (1 at w = 0), cosine cos(w/2), Hamming
// 0.54 + 0.46 cos w, Hann (1 + cos w) / 2; 1 for the plain ramp.
double windowFactor(FilterWindow w, int k, int n);

// Transform length of the padded path for rows of n samples: the smallest
// power of two >= 2 n (0 for n <= 0).
int paddedLength(int n);

// The spectrum of the spatial-domain ramp wrapped to length p: the real DFT
// of h(0) = 1/4, h(+-j) = -1/(pi j)^2 for odd j, 0 for even j, at the
// frequencies k = 0 .. p / 2. Creates an FFTW plan, so call it where plans
// are made.
std::vector<double> spatialRampSpectrum(int p);

// The weights the spectrum of a row is multiplied by, for k = 0 .. len / 2
// of the transform length len: without padding (len = n) the ramp
// min(k, n - k) * 2 pi / n, with padding (len = paddedLength(n)) the
// spatial-domain ramp's spectrum; both times the window's factor.
std::vector<double> filterWeights(const FbpFilterChoice& choice, int n);
