#pragma once

// A phantom data set for the window tests: projections proj-NNNNN.img (or one
// multi-frame proj.his), i0 and bg, over 180 degrees.

#include <QDir>
#include <QStringList>

#include "PhantomWriter.h"

// The generator's options for such a set in dir.
inline PhantomOptions phantomOptions(const QString& dir, int width, int rows, int projections) {
  PhantomOptions o;
  o.outDir = dir;
  o.width = width;
  o.rows = rows;
  o.projections = projections;
  o.rangeDeg = 180.0;
  return o;
}

// Writes the set into dir: an empty text, or why it could not be written.
inline QString writePhantom(const QString& dir, int width, int rows, int projections,
                            PhantomOptions::Format format = PhantomOptions::Format::Img) {
  PhantomOptions o = phantomOptions(dir, width, rows, projections);
  o.format = format;
  PhantomWriter w(o);
  return w.write() ? QString() : QStringLiteral("not written: ") + w.errorText();
}

// The projection files of the set in dir, in order.
inline QStringList projectionFiles(const QString& dir) {
  QStringList files;
  const QDir d(dir);
  for (const QString& f : d.entryList({"proj-*.img"}, QDir::Files, QDir::Name))
    files << d.filePath(f);
  return files;
}
