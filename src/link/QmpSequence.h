#pragma once

#include <QString>
#include <QStringList>

// What to announce to the analysis program for one saved slice: either one
// folder whose *.dat files it loads (sub-folders per slice) or a list of files.
struct QmpSliceFiles {
  bool byPattern = false;
  QString folder;       // with a final separator, when byPattern
  QStringList files;    // absolute paths, otherwise
};

// Finds the saved data files of slice s under the data-saving folder dir for
// the three saving layouts: all in dir ("*-%05d.dat"), one sub-folder per
// slice (the folder "dir/%05d/" itself), or one sub-folder per energy (the
// matching files of every sub-folder, folder by folder).
QmpSliceFiles qmpSliceFiles(const QString& dir, int slice, bool subFolders, bool ofSlice);

// The slice-by-slice sequence the main window runs with the analysis program:
// stage 1 waits for a load to finish, stage 2 for the analysis; continuous
// mode walks the processing control's slice range, announcing each slice
// after the analysis of the one before has finished.
class QmpSequence {
 public:
  enum class Action { None, Announce, Exec2dA };

  int stage() const { return stage_; }
  int slice() const { return slice_; }
  bool continuous() const { return cont_; }

  // A slice is being announced: stage 1, remember it.
  void announcing(int slice);
  // Continuous mode over first … last by step, the run's step of the slice
  // range (runSliceStep: never 0, negative when first > last): the slice to
  // announce first. A step that does not lead from first towards last ends
  // the walk after first, so a range can neither loop for ever nor run away.
  int startContinuous(int first, int last, int step);
  // Back to idle with continuous mode off (a new connection, the button).
  void reset();
  // The peer reported free after lastCommand; with2dA is the window's
  // "w. 2DA" option. Returns what the window must do next; Announce and
  // Exec2dA concern slice(). Ending continuous mode shows in continuous().
  Action peerFree(const QString& lastCommand, bool with2dA);

 private:
  int stage_ = 0;
  int slice_ = 0;
  bool cont_ = false;
  int last_ = 0;
  int step_ = 1;
};
