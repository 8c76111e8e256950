#include "link/QmpSequence.h"

#include <QDir>
#include <QFileInfo>

#include "output/ResultLayout.h"

namespace {
QStringList matchingFiles(const QDir& dir, const QString& no) {
  QStringList out;
  const QFileInfoList list = dir.entryInfoList({resultFilePattern(no, QStringLiteral("dat"))},
                                               QDir::Files, QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo& fi : list) out << fi.absoluteFilePath();
  return out;
}
}  // namespace

QmpSliceFiles qmpSliceFiles(const QString& dir, int slice, bool subFolders, bool ofSlice) {
  const QString no = sliceNumberText(slice);
  const QDir d(dir);
  QmpSliceFiles r;
  if (!subFolders) {
    r.files = matchingFiles(d, no);
  } else if (ofSlice) {
    r.byPattern = true;
    r.folder = ResultLayout::sliceFolder(d.absolutePath(), no) + QDir::separator();
  } else {
    const QFileInfoList subs =
        d.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& sub : subs) r.files << matchingFiles(QDir(sub.absoluteFilePath()), no);
  }
  return r;
}

void QmpSequence::announcing(int slice) {
  stage_ = 1;
  slice_ = slice;
}

int QmpSequence::startContinuous(int first, int last, int step) {
  step_ = step;
  last_ = last;
  cont_ = true;
  announcing(first);
  return first;
}

void QmpSequence::reset() {
  stage_ = 0;
  cont_ = false;
}

QmpSequence::Action QmpSequence::peerFree(const QString& lastCommand, bool with2dA) {
  if (stage_ == 1 && (lastCommand == QLatin1String("LOAD_I1_FILES_OF_PATTERN") ||
                      lastCommand == QLatin1String("LOAD_I1_FILES"))) {
    if (with2dA || cont_) {
      stage_ = 2;
      return Action::Exec2dA;
    }
    stage_ = 0;
    return Action::None;
  }
  if (stage_ == 2 && lastCommand == QLatin1String("ANALYZER_EXEC_2DA")) {
    if (cont_) {
      // Computed in 64 bits so a step near the int range cannot wrap past last.
      const long long next = static_cast<long long>(slice_) + step_;
      const bool towardsLast = slice_ <= last_ ? step_ > 0 : step_ < 0;
      const bool inRange = towardsLast && (step_ > 0 ? next <= last_ : next >= last_);
      if (inRange) {
        announcing(static_cast<int>(next));
        return Action::Announce;
      }
      cont_ = false;
    }
    stage_ = 0;
    return Action::None;
  }
  return Action::None;
}
