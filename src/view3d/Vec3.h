#pragma once

// A vector of three doubles for the 3D view's orientation, positions and the
// cross-section normal, and the turn of the view's three axes.

#include <QMetaType>
#include <cmath>

struct Vec3 {
  double x = 0, y = 0, z = 0;

  constexpr Vec3() = default;
  constexpr Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

  Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
  Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
  Vec3 operator-() const { return {-x, -y, -z}; }
  Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
  Vec3 operator/(double s) const { return {x / s, y / s, z / s}; }
  Vec3& operator+=(const Vec3& o) { return *this = *this + o; }
  Vec3& operator-=(const Vec3& o) { return *this = *this - o; }
  Vec3& operator*=(double s) { return *this = *this * s; }
  bool operator==(const Vec3& o) const { return x == o.x && y == o.y && z == o.z; }
  bool operator!=(const Vec3& o) const { return !(*this == o); }

  double dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
  Vec3 cross(const Vec3& o) const {
    return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
  }
  double norm() const { return std::sqrt(dot(*this)); }
};

inline Vec3 operator*(double s, const Vec3& v) { return v * s; }

Q_DECLARE_METATYPE(Vec3)

// Registers Vec3 for queued signals (idempotent).
void registerVec3MetaType();

// Turns the view axes about `axis` by `theta`: with R the right-handed rotation of
// the unit axis (Rodrigues), each axis is replaced by R^T applied to it, i.e. the
// axes turn by -theta. The result is re-orthonormalised so that thousands of turns
// keep the axes orthonormal. A zero axis leaves them as they are.
void rotateAxes(Vec3& ex, Vec3& ey, Vec3& ez, const Vec3& axis, double theta);
