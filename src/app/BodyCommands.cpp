// The main window's command table: batch lines, setup-file lines and the
// configuration file's lines all end here and act on the panels as the
// matching user action would; the same entries write the setup file.
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <algorithm>
#include <cmath>

#include "app/Body.h"
#include "automation/Batch.h"
#include "base/NamedLog.h"
#include "ct/CorSweep.h"
#include "ct/CtCalc.h"
#include "ct/CtCalc2.h"
#include "ct/FbpFilter.h"
#include "ct/ProcCtrl.h"
#include "ct/Sinogram.h"
#include "imagedata/I0ofImage.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/SelectAImgFile.h"
#include "imagedata/SelectDataDir.h"
#include "imagedata/SelectDataFiles.h"
#include "ui_Body.h"
#include "widgets/SeekCtrl.h"
#include "widgets/SelectAFile.h"

namespace {
// Pages of the image tabs that the show_ commands address by fixed numbers.
constexpr int kPageRaw = 0;
constexpr int kPageSinogram = 1;
constexpr int kPageCt1 = 2;

// "folder *.suffix" of a file, the way images_load and seq_exec_select_i0 take it.
QVariantList folderAndSuffix(const QString& file) {
  const QFileInfo fi(file);
  return {fi.absolutePath(), QStringLiteral("*.") + fi.suffix()};
}

// A list entry of a multi-frame file reads "name(frame)": the file is the name.
QString entryFile(const QString& entry) {
  if (entry.endsWith(QLatin1Char(')'))) {
    const int open = entry.lastIndexOf(QLatin1Char('('));
    if (open > 0 && !QFileInfo::exists(entry)) return entry.left(open);
  }
  return entry;
}
}  // namespace

void Body::batchExCmd(BatchCmd cmd) {
  if (const CommandEntry* e = commands_.find(cmd.command())) {
    e->apply(cmd);
    if (e->holdsBatch) return;
  }
  if (!quietDispatch_) emit callBatchCheckEnd();
}

void Body::runQuietly(const QStringList& lines) {
  const bool was = quietDispatch_;
  quietDispatch_ = true;
  for (const QString& l : lines) batchExCmd(BatchCmd(l));
  quietDispatch_ = was;
}

void Body::whenInputsFree(std::function<void()> task) {
  if (calculating() || anyWorkerBusy()) {
    // Workers read the frames and references without locks while they run.
    qDebug() << "input change waits for the running reconstruction";
    runWhenIdle(std::move(task));
    return;
  }
  task();
}

void Body::selectReference(SelectAImgFile* sel, const QString& path) {
  whenInputsFree([this, sel, path] {
    const ImgData* before = sel->frame();
    sel->selectFile(path);
    if (!sel->frame() || sel->frame() == before)
      fail(namedMessage(sel == ui_->I0ImgSel ? "I0 image not loaded :" : "BG image not loaded :",
                        path));
  });
}

void Body::showPage(int index) {
  if (index >= 0 && index < ui_->ImgsTab->count()) ui_->ImgsTab->setCurrentIndex(index);
}

void Body::registerCommands() {
  Ui::Body* u = ui_.get();
  ProcCtrl* pc = u->procCtrl;
  CommandTable& t = commands_;
  using V = std::optional<QVariantList>;
  // A check box; written to setup files unless told otherwise.
  auto check = [&t](const QString& key, QAbstractButton* box, bool written = true) {
    std::function<bool()> get;
    if (written) get = [box] { return box->isChecked(); };
    t.flag(
        key, [box](bool f) { box->setChecked(f); }, get);
  };
  // A field that keeps the text as given and is written as a number.
  auto numberField = [&t](const char* key, QLineEdit* field) {
    t.add(
        key, ArgRule::Real, [field](const BatchCmd& c) { field->setText(c.textArg()); },
        [field]() -> V { return QVariantList{field->text().toDouble()}; });
  };
  // The rest of a line after its first argument, as name patterns.
  auto patterns = [](const BatchCmd& c) { return c.arguments().mid(1); };

  // The entries come in the order of the setup file's lines; commands that a
  // setup file does not hold stand beside their kin.
  t.section("Original Images");
  // Written as a comment: loading a setup does not load the images again.
  t.add(
       "images_load", ArgRule::FolderPatterns,
       [this, u, patterns](const BatchCmd& c) {
         lastSelectionSize_ = -1;
         u->CTFiles->setDirAndPatterns(c.textArg(), patterns(c));
         if (lastSelectionSize_ <= 0)
           fail(namedMessage("Nothing to load :", QStringList(c.arguments()).join(' ')));
       },
       [this]() -> V {
         if (imgs_->count() <= 0 || firstLoadedFile_.isEmpty()) return {};
         return folderAndSuffix(firstLoadedFile_);
       })
      .comment = true;
  SelectDataFiles* files = u->CTFiles;
  t.member("images_new_on_load", files, &SelectDataFiles::setLoadNewFiles,
           &SelectDataFiles::loadNewFiles);
  t.flag("images_add_on_load", [u](bool f) { u->CTFiles->setLoadNewFiles(!f); });
  t.add("images_clear", ArgRule::None, [u](const BatchCmd&) { u->CTFiles->clearFiles(); });
  t.real("images_exp_time", [u](double v) { u->CTFiles->setExpTime(v); });
  t.member("images_keep_setup", files, &SelectDataFiles::setKeepConditions,
           &SelectDataFiles::keepConditions);
  t.add(
      "images_multi", ArgRule::FlagInteger,
      [u](const BatchCmd& c) { u->CTFiles->setLoadMultiTimes(c.flagArg(0), c.intArg(1)); },
      [u]() -> V {
        return QVariantList{u->CTFiles->loadMultiTimes(), u->CTFiles->multiTimes()};
      });
  t.integer(
      "images_seek",
      [u](int v) {
        SeekCtrl* s = u->seekCtrl;
        s->setValue(std::clamp(v, 0, std::max(0, s->maximum())));
      },
      [u] { return u->seekCtrl->value(); });
  for (SelectAImgFile* sel : {u->I0ImgSel, u->BGImgSel}) {
    const bool i0 = sel == u->I0ImgSel;
    // A reference that is not loaded is written as cleared: an empty i0_load
    // would fail on loading and leave the window's old reference in use.
    t.add(
        i0 ? "i0_load" : "bg_load", ArgRule::File,
        [this, sel](const BatchCmd& c) { selectReference(sel, c.textArg()); },
        [sel]() -> V {
          if (!sel->frame()) return {};
          return QVariantList{sel->fileName()};
        });
    t.add(
        i0 ? "i0_clear" : "bg_clear", ArgRule::None,
        [this, sel](const BatchCmd&) { whenInputsFree([sel] { sel->clear0(); }); },
        [sel]() -> V {
          if (sel->frame()) return {};
          return QVariantList{};
        });
    t.real(i0 ? "i0_exp_time" : "bg_exp_time", [sel](double v) { sel->setExpTime(v); });
  }

  t.section("CT Reconstruction setting");
  // The axis first: with images loaded, a change of axis sets the slice,
  // range, centre of rotation and regions to that axis's defaults, which the
  // lines after it then replace with the saved values.
  t.flag(
      "ct_rot_ax_is_h", [pc](bool f) { pc->setRotAxIsV(!f); }, [pc] { return !pc->rotAxIsV(); });
  t.flag("ct_rot_ax_is_v", [pc](bool f) { pc->setRotAxIsV(f); });
  t.integer(
      "ct_proc_slice",
      [this, pc](int v) {
        pc->setSliceNo(v);
        markSliceNo_.setByCommand();
      },
      [pc] { return pc->sliceNo(); });
  t.member("ct_angle_origin", pc, &ProcCtrl::setAngleOriginDeg, &ProcCtrl::angleOriginDeg);
  t.real("ct_angle_offset", [pc](double v) { pc->setAngleOriginDeg(v); });
  t.member("ct_dataset_range", pc, &ProcCtrl::setDataSetRangeDeg, &ProcCtrl::dataSetRangeDeg);
  t.member("ct_use_partial_data_set", pc, &ProcCtrl::setUsePartialDataSet,
           &ProcCtrl::usePartialDataSet)
      .blankBeforeOff = true;
  t.member("ct_dataset_using_images", pc, &ProcCtrl::setDataSetUsingImages,
           &ProcCtrl::dataSetUsingImages);
  t.member("ct_dataset_start_image_no", pc, &ProcCtrl::setDataSetStartImageNo,
           &ProcCtrl::dataSetStartImageNo);
  t.member("ct_auto_exec", pc, &ProcCtrl::setAutoExec, &ProcCtrl::autoExec);
  t.integer(
      "ct_slice_from",
      [this, pc](int v) {
        pc->setSliceFrom(v);
        // Kept over a new frame size, but the first load still sets the
        // last slice to the detector's end when no command has set it.
        markSliceRange_.setSinceLoad = true;
      },
      [pc] { return pc->sliceFrom(); });
  t.integer(
      "ct_slice_to",
      [this, pc](int v) {
        pc->setSliceTo(v);
        markSliceRange_.setByCommand();
      },
      [pc] { return pc->sliceTo(); });
  t.member("ct_slice_step", pc, &ProcCtrl::setSliceStep, &ProcCtrl::sliceStep);
  t.member("ct_threads", pc, &ProcCtrl::setMaxThreads, &ProcCtrl::maxThreads);
  t.real(
      "ct_cor",
      [this, pc](double v) {
        pc->setCor(v);
        markCor_.setByCommand();
      },
      [pc] { return pc->cor(); });
  for (int k : {1, 2}) {
    t.add(
        k == 1 ? "ct_recorded_cor_1" : "ct_recorded_cor_2", ArgRule::IntegerReal,
        [pc, k](const BatchCmd& c) { pc->setRecordedCoR(k, c.intArg(0), c.realArg(1)); },
        [pc, k]() -> V {
          if (k == 1) return QVariantList{pc->corSlice1(), pc->cor1()};
          return QVariantList{pc->corSlice2(), pc->cor2()};
        });
  }
  // Reconstruction options: written only when set, so that older setups stay
  // valid; a value that does not fit is logged and leaves the option as it was.
  t.add(
       "ct_filter", ArgRule::Word,
       [pc](const BatchCmd& c) {
         FilterWindow w;
         if (filterWindowFromName(c.textArg(), w))
           pc->setFilterWindow(w);
         else
           qDebug() << "ct_filter takes ramp, shepp-logan, cosine, hamming or hann, not"
                    << c.textArg();
       },
       [pc]() -> V {
         const FilterWindow w = pc->filterChoice().window;
         if (w == FilterWindow::Ramp) return {};
         return QVariantList{filterWindowName(w)};
       })
      .words = QStringList{"ramp", "shepp-logan", "cosine", "hamming", "hann"};
  t.add(
      "ct_filter_padding", ArgRule::Flag,
      [pc](const BatchCmd& c) {
        const QString v = c.textArg();
        if (v == "0" || v == "1")
          pc->setFilterPadding(v == "1");
        else
          qDebug() << "ct_filter_padding takes 0 or 1, not" << v;
      },
      [pc]() -> V {
        if (!pc->filterChoice().padding) return {};
        return QVariantList{true};
      });
  t.add(
      "ct_ring_removal", ArgRule::Integer,
      [pc](const BatchCmd& c) {
        bool ok = false;
        const int size = c.textArg().toInt(&ok);
        if (ok && size >= 0 && size <= ProcCtrl::ringRemovalLimit())
          pc->setRingRemovalSize(size);
        else
          qDebug() << "ct_ring_removal takes a window of 0 (off) to" << ProcCtrl::ringRemovalLimit()
                   << "detector columns, not" << c.textArg();
      },
      [pc]() -> V {
        if (pc->ringRemovalSize() <= 0) return {};
        return QVariantList{pc->ringRemovalSize()};
      });
  t.add(
      "ct_outlier_removal", ArgRule::Real,
      [pc](const BatchCmd& c) {
        bool ok = false;
        const double v = c.textArg().toDouble(&ok);
        if (ok && std::isfinite(v) && v >= 0.0)
          pc->setOutlierThreshold(v);
        else
          qDebug() << "ct_outlier_removal takes a threshold of 0 (off) or more, not" << c.textArg();
      },
      [pc]() -> V {
        if (pc->outlierThreshold() <= 0.0) return {};
        return QVariantList{pc->outlierThreshold()};
      });
  CommandEntry& sweep = t.add("ct_cor_sweep", ArgRule::ThreeReals, [this](const BatchCmd& c) {
    QList<double> v;
    for (int i = 0; i < 3; ++i) {
      bool ok = false;
      const double x = i < c.arguments().size() ? c.arguments()[i].toDouble(&ok) : 0.0;
      if (ok) v << x;
    }
    // Held like calc_exec: the batch goes on when the sweep has ended or
    // could not start.
    calcByBatch_ = !quietDispatch_;
    if (!requestCorSweep(v.size() == 3 ? sweepCentres(v[0], v[1], v[2]) : std::vector<double>{},
                         c.joinedArguments()))
      releaseBatchCalc();
  });
  sweep.holdsBatch = true;
  for (bool calc : {false, true}) {
    t.add(calc ? "ct_set_calc_region" : "ct_set_disp_region", ArgRule::FourReals,
          [this, calc](const BatchCmd& c) {
            shareRegion(nullptr, calc, c.realArg(0), c.realArg(1), c.realArg(2), c.realArg(3));
            markRegions_.setSinceLoad = true;
          });
  }

  t.section("CT Reconstruction calculation");
  // Both engine choices are written: "calc_ct1 0" alone cannot select the second one.
  for (QRadioButton* engine : {u->SelectCt1, u->SelectCt2}) {
    t.add(
        engine == u->SelectCt1 ? "calc_ct1" : "calc_ct2", ArgRule::Option,
        [this, engine](const BatchCmd& c) {
          if (!c.flagArg()) return;  // exclusive options: only choosing one changes anything
          engine->setChecked(true);
          changedCtSel(engine);
        },
        [engine]() -> V { return QVariantList{engine->isChecked()}; });
  }
  check("calc_show_res", u->ShowCalcRes);
  check("fix_color_scale", u->FixColorScale);
  t.real(
      "fix_color_min",
      [this](double v) {
        setColorMin(v);
        fixColorScaleChanged();
      },
      [this] { return colorMin(); });
  t.real(
      "fix_color_max",
      [this](double v) {
        setColorMax(v);
        fixColorScaleChanged();
      },
      [this] { return colorMax(); });
  for (bool data : {false, true}) {
    SelectAFile* sel = data ? u->SelectDataSaveDir : u->SelectImageSaveDir;
    const QString p = data ? "auto_save_data" : "auto_save_image";
    check(p, data ? u->AutoSaveData : u->AutoSaveImage);
    t.text(
        p + "_path", ArgRule::Folder, [sel](const QString& v) { sel->setPath(v); },
        [sel] { return sel->path(); });
    t.text(
        p + "_name", ArgRule::Text, [sel](const QString& v) { sel->setName(v); },
        [sel] { return sel->name(); });
    t.text(
        p + "_tag", ArgRule::Text, [sel](const QString& v) { sel->setTag(v); },
        [sel] { return sel->tag(); });
    t.add(p + "_clear", ArgRule::None, [sel](const BatchCmd&) { sel->clear0(); });
  }
  numberField("auto_save_data_upper_limit", u->DataUpperLimit);
  numberField("auto_save_data_lower_limit", u->DataLowerLimit);
  numberField("auto_save_data_offset", u->DataOffset);
  // Written only when it is not the default (dat).
  t.add(
       "auto_save_data_format", ArgRule::Word,
       [u](const BatchCmd& c) {
         const QString f = c.textArg().toLower();
         if (f == "dat" || f == "tif" || f == "tiff")
           u->AutoSaveDataFormat->setCurrentIndex(f == "dat" ? 0 : 1);
         else
           qDebug() << "auto_save_data_format takes dat or tif, not" << c.textArg();
       },
       [u]() -> V {
         if (u->AutoSaveDataFormat->currentIndex() != 1) return {};
         return QVariantList{QStringLiteral("tif")};
       })
      .words = QStringList{"dat", "tif"};
  check("auto_save_in_sub_folders", u->SaveInSubFolders);
  check("auto_save_in_sub_folders_of_energy", u->SubOfEnergy);
  check("auto_save_in_sub_folders_of_slice", u->SubOfSlice, false);

  t.section("Additional Settings for CT-XAFS");
  check("add_inf_show", u->ShowAdditionalAdditionalInfo);
  // The data-set layouts are exclusive choices.
  t.add(
      "add_inf_Eng_Dirs", ArgRule::Option,
      [u](const BatchCmd& c) { u->SelDDir->setIsEngDirs(c.flagArg()); },
      [u]() -> V { return QVariantList{u->SelDDir->isEngDirs()}; });
  t.add(
      "add_inf_Heron_standard", ArgRule::Option,
      [u](const BatchCmd& c) { u->SelDDir->setIsHeronStd(c.flagArg()); },
      [u]() -> V { return QVariantList{u->SelDDir->isHeronStd()}; });
  t.add(
      "add_inf_Kestrel_standard", ArgRule::Option,
      [u](const BatchCmd& c) { u->SelDDir->setIsKestrelStd(c.flagArg()); },
      [u]() -> V { return QVariantList{u->SelDDir->isKestrelStd()}; });
  // The pattern before the folder: scanning the folder uses it.
  t.text(
      "seq_exec_file_pattern", ArgRule::Text, [u](const QString& v) { u->SelDDir->setPattern(v); },
      [u] { return u->SelDDir->pattern(); });
  t.text(
      "seq_exec_dir", ArgRule::Folder, [u](const QString& v) { u->SelDDir->setDataDir(v); },
      [u] { return u->SelDDir->dataDir(); });
  t.add(
      "seq_exec_select_i0", ArgRule::FolderPatterns,
      [u, patterns](const BatchCmd& c) {
        u->SelI0Files->setDirAndPatterns(c.textArg(), patterns(c), false);
      },
      [u]() -> V {
        if (u->SelI0Files->count() <= 0) return {};
        return folderAndSuffix(entryFile(u->SelI0Files->entry(0)));
      });
  check("seq_exec_keep_range_on_new_set", u->keepOnNewSet);
  check("seq_exec_show", u->ShowAdditionalInfo, false);
  t.add("seq_exec_next", ArgRule::None, [this, u](const BatchCmd&) {
    // Take the next data set; at the last one there is none and the
    // batch condition turns false.
    SelectDataDir* d = u->SelDDir;
    const bool more = d->next();
    if (more) d->set();
    batch_->setLastOk(more);
  });
  t.add("seq_exec_set", ArgRule::OptionalInteger, [this, u](const BatchCmd& c) {
    // Without a number: the selected data set. "seq_exec_set K" takes data
    // set K (1-based), so that a job can reconstruct one chosen energy.
    SelectDataDir* d = u->SelDDir;
    if (c.arguments().isEmpty()) {
      d->set();
      return;
    }
    const int k = c.intArg();
    if (k < 1 || k > d->count()) {
      batch_->noteFailure(
          QStringLiteral("No data set %1 (1..%2)").arg(c.textArg()).arg(d->count()));
      return;
    }
    d->setFirstSet(k - 1);
  });
  for (I0ofImage* panel : {u->I0ofRawImage_, u->I0ofI0Image_}) {
    const QString p = panel == u->I0ofRawImage_ ? "add_inf_raw_i0_" : "add_inf_i0_i0_";
    t.real(p + "val", [panel](double v) { panel->i0Val()->setText(QString::number(v, 'g', 6)); });
    check(p + "from_xafs", panel->calcFromXafs(), false);
    t.text(p + "xafs", ArgRule::File,
           [panel](const QString& v) { panel->xafsFile()->selectFile(v); });
    t.add(p + "xafs_clear", ArgRule::None,
          [panel](const BatchCmd&) { panel->xafsFile()->clear0(); });
    QLineEdit* ptn = panel->engPattern();
    t.text(p + "eng_ptn", ArgRule::Text, [ptn](const QString& v) { ptn->setText(v); });
  }

  // ---- pages of the image tabs
  t.integer("show_tab", [this](int v) { showPage(v); });
  t.add("show_orig", ArgRule::None, [this](const BatchCmd&) { showPage(kPageRaw); });
  t.add("show_sinogram", ArgRule::None, [this](const BatchCmd&) { showPage(kPageSinogram); });
  t.add("show_ct1", ArgRule::None, [this](const BatchCmd&) { showPage(kPageCt1); });
  // The reference pages move when an engine page is inserted before them, so
  // they are found by their page rather than by a number.
  t.add("show_i0", ArgRule::None,
        [u](const BatchCmd&) { u->ImgsTab->setCurrentWidget(u->I0ImageTab); });
  t.add("show_bg", ArgRule::None,
        [u](const BatchCmd&) { u->ImgsTab->setCurrentWidget(u->BGImageTab); });
  // The page of worker N + 1, where it has one: with show_all_ct2_images off
  // only the first worker has a page (inserted before the I0 page).
  t.integer("show_ct2", [this, u](int n) {
    if (n >= 0 && n < static_cast<int>(ct2Pages_.size()) && ct2Pages_[n])
      u->ImgsTab->setCurrentWidget(ct2Pages_[n]);
  });

  // ---- peer link, calculation start, sinogram options
  check("quillmapLink_set_send_msg", u->SendMsg2Quillmap, false);
  CommandEntry& calcExec = t.add("calc_exec", ArgRule::None, [this](const BatchCmd&) {
    calcByBatch_ = !quietDispatch_;
    emit batchCalcStart();
  });
  calcExec.holdsBatch = true;
  t.flag("set_sgm_alter_stack", [this](bool f) { sino_->setAlterStack(f); });
  t.flag("set_sgm_move_y_w_mouse", [this](bool f) { sino_->setMoveYWithMouse(f); });
}
