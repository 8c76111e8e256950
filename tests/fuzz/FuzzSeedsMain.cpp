// Writes the seed corpus of every fuzz target (or of the targets named) into
// OUTDIR/<target>/seed-<n>, for scripts/fuzz.sh.
//   vanto-fuzz-seeds OUTDIR [TARGET...]

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "fuzz/FuzzHarness.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.isEmpty()) {
    std::fprintf(stderr, "usage: vanto-fuzz-seeds OUTDIR [TARGET...]\n");
    return 2;
  }
  const QDir out(args.first());
  for (const fuzz::Target& t : fuzz::targets()) {
    if (args.size() > 1 && !args.mid(1).contains(QLatin1String(t.name))) continue;
    const QString dir = out.filePath(QLatin1String(t.name));
    if (!QDir().mkpath(dir)) {
      std::fprintf(stderr, "cannot make %s\n", qPrintable(dir));
      return 1;
    }
    int n = 0;
    for (const QByteArray& seed : t.seeds()) {
      QFile f(QDir(dir).filePath(QStringLiteral("seed-%1").arg(++n)));
      if (!f.open(QIODevice::WriteOnly) || f.write(seed) != seed.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
        return 1;
      }
    }
  }
  return 0;
}
