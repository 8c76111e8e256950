#include "ct/FbpFilter.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ct/FftwBuffer.h"

namespace {
struct WindowName {
  FilterWindow window;
  const char* name;
};
constexpr WindowName kWindowNames[] = {{FilterWindow::Ramp, "ramp"},
                                       {FilterWindow::SheppLogan, "shepp-logan"},
                                       {FilterWindow::Cosine, "cosine"},
                                       {FilterWindow::Hamming, "hamming"},
                                       {FilterWindow::Hann, "hann"}};
}  // namespace

QString filterWindowName(FilterWindow w) {
  for (const WindowName& e : kWindowNames)
    if (e.window == w) return QString::fromLatin1(e.name);
  return QStringLiteral("ramp");
}

bool filterWindowFromName(const QString& name, FilterWindow& w) {
  for (const WindowName& e : kWindowNames) {
    if (name.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0) {
      w = e.window;
      return true;
    }
  }
  return false;
}

double windowFactor(FilterWindow w, int k, int n) {
  if (w == FilterWindow::Ramp || n <= 0) return 1.0;
  // f = k / n, f_max = 1/2: w = pi f / f_max = 2 pi k / n.
  const double omega = 2.0 * std::numbers::pi * k / n;
  switch (w) {
    case FilterWindow::SheppLogan:
      return omega == 0.0 ? 1.0 : std::sin(omega / 2.0) / (omega / 2.0);
    case FilterWindow::Cosine:
      return std::cos(omega / 2.0);
    case FilterWindow::Hamming:
      return 0.54 + 0.46 * std::cos(omega);
    case FilterWindow::Hann:
      return (1.0 + std::cos(omega)) / 2.0;
    case FilterWindow::Ramp:
      break;
  }
  return 1.0;
}

int paddedLength(int n) {
  if (n <= 0) return 0;
  long long p = 1;
  while (p < 2LL * n) p *= 2;
  return p > (1 << 30) ? 0 : static_cast<int>(p);
}

std::vector<double> spatialRampSpectrum(int p) {
  if (p < 2) return std::vector<double>(p > 0 ? 1 : 0, 0.25);
  FftwBuffer<double> h(p);
  FftwBuffer<fftw_complex> spectrum(p / 2 + 1);
  if (!h.get() || !spectrum.get()) return {};
  double* v = h.get();
  v[0] = 0.25;
  for (int j = 1; j <= p / 2; j += 2) {
    const double pj = std::numbers::pi * j;
    v[j] = -1.0 / (pj * pj);
    v[p - j] = v[j];
  }
  const fftw_plan plan = fftw_plan_dft_r2c_1d(p, v, spectrum.get(), FFTW_ESTIMATE);
  if (!plan) return {};
  fftw_execute(plan);
  fftw_destroy_plan(plan);
  std::vector<double> out(p / 2 + 1);
  // h is real and even, so its spectrum is real.
  for (int k = 0; k <= p / 2; ++k) out[k] = spectrum.get()[k][0];
  return out;
}

std::vector<double> filterWeights(const FbpFilterChoice& choice, int n) {
  if (n <= 0) return {};
  if (choice.padding) {
    const int p = paddedLength(n);
    std::vector<double> w = spatialRampSpectrum(p);
    if (choice.window != FilterWindow::Ramp)
      for (int k = 0; k < static_cast<int>(w.size()); ++k)
        w[k] *= windowFactor(choice.window, k, p);
    return w;
  }
  const double d = 2.0 * std::numbers::pi / n;
  std::vector<double> w(n / 2 + 1);
  for (int k = 0; k <= n / 2; ++k) {
    // The same expression as the plain ramp has always been computed with,
    // so that the default filter keeps its results to the bit.
    w[k] = std::min(k, n - k) * d;
    if (choice.window != FilterWindow::Ramp) w[k] *= windowFactor(choice.window, k, n);
  }
  return w;
}
