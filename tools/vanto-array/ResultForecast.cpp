#include "ResultForecast.h"

#include <QDir>
#include <vector>

#include "automation/BatchCmd.h"
#include "automation/BatchVariables.h"
#include "ct/CtRunMath.h"
#include "imagedata/DataSetScan.h"
#include "output/ResultLayout.h"

namespace {

struct Saving {
  bool on = false;
  QString path, name, tag;
};

enum class Layout { Heron, EngDirs, Kestrel };  // Heron is the window's default

class Walk {
 public:
  Walk(const QString& workDir, ResultForecast& out) : dir_(workDir), out_(out) {}

  // Returns false when the run ends at this line.
  bool apply(const BatchCmd& c) {
    if (c.is(":end") || c.is(":stop")) return false;
    if (c.is(":ifok")) return apply(BatchCmd(c.joinedArguments()));
    for (Saving* s : {&data_, &image_}) {
      const QString p = s == &data_ ? "auto_save_data" : "auto_save_image";
      if (c.is(p)) s->on = c.flagArg();
      if (c.is(p + "_path")) s->path = c.textArg();
      if (c.is(p + "_name")) s->name = c.textArg();
      if (c.is(p + "_tag")) s->tag = c.textArg();
      if (c.is(p + "_clear")) s->path.clear();
    }
    if (c.is("auto_save_in_sub_folders")) resultLayout_.subFolders = c.flagArg();
    if (c.is("auto_save_in_sub_folders_of_slice")) resultLayout_.ofSlice = c.flagArg();
    if (c.is("auto_save_in_sub_folders_of_energy")) resultLayout_.ofEnergy = c.flagArg();
    if (c.is("images_keep_setup")) keep_ = c.flagArg();
    if (c.is("ct_slice_from")) from_ = c.intArg();
    if (c.is("ct_slice_to")) {
      to_ = c.intArg();
      toGiven_ = true;
    }
    if (c.is("ct_slice_step")) step_ = c.intArg();
    // Exclusive options: only choosing one changes the layout.
    if (c.is("add_inf_Eng_Dirs") && c.flagArg()) rescan(Layout::EngDirs, setsDir_);
    if (c.is("add_inf_Heron_standard") && c.flagArg()) rescan(Layout::Heron, setsDir_);
    if (c.is("add_inf_Kestrel_standard") && c.flagArg()) rescan(Layout::Kestrel, setsDir_);
    if (c.is("seq_exec_file_pattern")) pattern_ = c.textArg();
    if (c.is("seq_exec_dir")) rescan(layout_, c.textArg());
    if (c.is("seq_exec_next") && current_ + 1 < static_cast<int>(energies_.size()))
      take(current_ + 1);
    if (c.is("seq_exec_set")) take(c.arguments().isEmpty() ? current_ : c.intArg() - 1);
    if (c.is("calc_exec")) run();
    return true;
  }

 private:
  void rescan(Layout layout, const QString& setsDir) {
    layout_ = layout;
    setsDir_ = setsDir;
    energies_.clear();
    energiesKnown_ = layout != Layout::Kestrel;
    const QString abs = setsDir.isEmpty() ? QString() : dir_.absoluteFilePath(setsDir);
    if (layout == Layout::EngDirs) energies_ = subDirNames(abs);
    if (layout == Layout::Heron && !abs.isEmpty())
      for (const CtFileSet& s : scanFileSets(abs, pattern_)) energies_ << s.energyField();
    current_ = energies_.isEmpty() ? -1 : 0;
  }

  void take(int index) {
    if (!energiesKnown_) {
      unknown("the energies of a facility A scan are read from its meta file");
      return;
    }
    if (index < 0 || index >= energies_.size()) return;  // the run fails and takes nothing
    current_ = index;
    if (!energies_[index].isEmpty()) data_.tag = image_.tag = energies_[index];
  }

  void unknown(const QString& why) {
    if (out_.known) out_.why = why;
    out_.known = false;
  }

  void run() {
    if (!data_.on && !image_.on) return;
    if (!keep_ || !toGiven_) {
      unknown("the slice range is set by the images (give images_keep_setup 1 and ct_slice_to)");
      return;
    }
    const int step = runSliceStep(from_, to_, step_);
    const long long lo = std::min(from_, to_), hi = std::max(from_, to_);
    for (long long s = from_; s >= lo && s <= hi; s += step) {
      for (const Saving* sv : {&data_, &image_}) {
        if (!sv->on) continue;
        const QString no = sliceNumberText(static_cast<int>(s));
        const QString file =
            resultFileName(sv->name, sv->tag, no, sv == &data_ ? QString("dat") : QString("png"));
        for (const QString& folder : resultLayout_.folders(sv->path, sv->tag, no))
          out_.files << ExpectedFile{static_cast<int>(s),
                                     QDir::cleanPath(dir_.absoluteFilePath(
                                         QDir(dir_.absoluteFilePath(folder)).filePath(file)))};
      }
    }
  }

  QDir dir_;
  ResultForecast& out_;
  Saving data_, image_;
  ResultLayout resultLayout_;
  bool keep_ = false, toGiven_ = false;
  int from_ = 0, to_ = 0, step_ = 1;
  Layout layout_ = Layout::Heron;
  QString setsDir_, pattern_ = "*.img";
  QStringList energies_;
  bool energiesKnown_ = true;
  int current_ = -1;
};

}  // namespace

ResultForecast forecastResults(const QStringList& configLines, const QStringList& batchLines,
                               const QList<int>& lineNumbers, const QProcessEnvironment& env,
                               const QString& workDir) {
  ResultForecast out;
  Walk walk(workDir, out);
  for (const QString& l : configLines) walk.apply(BatchCmd(l));
  for (qsizetype i = 0; i < batchLines.size(); ++i) {
    QString line = batchLines[i], name;
    if (!expandVariables(batchLines[i], env, line, name)) {
      out.undefined << QString("%1 (line %2)").arg(name).arg(lineNumbers.value(i));
      continue;
    }
    if (!walk.apply(BatchCmd(line))) break;
  }
  return out;
}
