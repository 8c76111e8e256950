#pragma once

#include <QString>
#include <vector>

// Energies of the I0 files of an energy scan, read from their names: the
// token between the last two "-" of the path (before the last "-" when there
// is only one), e.g. "i0-7112_5eV-0001.img" -> 7112.5 eV, "a-7.1keV-1" -> 7100.
// Returns NaN, and writes one debug-log line naming the file, when the path
// has no "-" or its token holds no digit.
double i0EnergyOfPath(const QString& path);

// Index of the energy nearest to e (the first on ties); entries without an
// energy (NaN) are never nearer than one with an energy. 0 for an empty list.
int nearestEnergyIndex(const std::vector<double>& energies, double e);
