#include "view3d/Vec3.h"

void registerVec3MetaType() { qRegisterMetaType<Vec3>("Vec3"); }

namespace {

// R^T v = cos(t) v - sin(t) (a x v) + (1 - cos(t)) a (a . v) for the unit axis a.
Vec3 rotateTransposed(const Vec3& v, const Vec3& a, double c, double s) {
  return v * c - a.cross(v) * s + a * ((1 - c) * a.dot(v));
}

}  // namespace

void rotateAxes(Vec3& ex, Vec3& ey, Vec3& ez, const Vec3& axis, double theta) {
  const double len = axis.norm();
  if (!(len > 0) || !std::isfinite(len) || !std::isfinite(theta)) return;
  const Vec3 a = axis / len;
  const double c = std::cos(theta), s = std::sin(theta);
  Vec3 x = rotateTransposed(ex, a, c, s);
  Vec3 y = rotateTransposed(ey, a, c, s);
  // Gram-Schmidt on x and y; z follows as their cross product (right-handed).
  x = x / x.norm();
  y = y - x * x.dot(y);
  y = y / y.norm();
  ex = x;
  ey = y;
  ez = x.cross(y);
}
