// The main window's command dispatcher: batch lines, setup-file lines and the
// configuration file's lines all end here and act on the panels as the
// matching user action would.
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <algorithm>

#include "app/Body.h"
#include "app/NamedLog.h"
#include "automation/Batch.h"
#include "ct/CtCalc.h"
#include "ct/CtCalc2.h"
#include "ct/ProcCtrl.h"
#include "ct/Sinogram.h"
#include "imagedata/I0ofImage.h"
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
}  // namespace

void Body::batchExCmd(BatchCmd cmd) {
  const auto it = commands_.constFind(cmd.command().toUpper());
  if (it != commands_.constEnd()) {
    it.value()(cmd);
    // The calculation tells the batch itself when it has finished.
    if (cmd.is("calc_exec")) return;
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
  auto add = [this](const char* word, std::function<void(const BatchCmd&)> f) {
    commands_.insert(QString::fromLatin1(word).toUpper(), std::move(f));
  };
  auto check = [add](const char* word, QAbstractButton* box) {
    add(word, [box](const BatchCmd& c) { box->setChecked(c.flagArg()); });
  };
  auto text = [add](const char* word, QLineEdit* field) {
    add(word, [field](const BatchCmd& c) { field->setText(c.textArg()); });
  };
  // The rest of a line after its first argument, as name patterns.
  auto patterns = [](const BatchCmd& c) { return c.arguments().mid(1); };

  // ---- projection images
  add("images_load", [this, u, patterns](const BatchCmd& c) {
    lastSelectionSize_ = -1;
    u->CTFiles->setDirAndPatterns(c.textArg(), patterns(c));
    if (lastSelectionSize_ <= 0)
      fail(namedMessage("Nothing to load :", QStringList(c.arguments()).join(' ')));
  });
  add("images_new_on_load", [u](const BatchCmd& c) { u->CTFiles->setLoadNewFiles(c.flagArg()); });
  add("images_add_on_load", [u](const BatchCmd& c) { u->CTFiles->setLoadNewFiles(!c.flagArg()); });
  add("images_clear", [u](const BatchCmd&) { u->CTFiles->clearFiles(); });
  add("images_exp_time", [u](const BatchCmd& c) { u->CTFiles->setExpTime(c.realArg()); });
  add("images_multi",
      [u](const BatchCmd& c) { u->CTFiles->setLoadMultiTimes(c.flagArg(0), c.intArg(1)); });
  add("images_seek", [u](const BatchCmd& c) {
    SeekCtrl* s = u->seekCtrl;
    s->setValue(std::clamp(c.intArg(), 0, std::max(0, s->maximum())));
  });
  add("images_keep_setup", [u](const BatchCmd& c) { u->CTFiles->setKeepConditions(c.flagArg()); });

  // ---- references
  for (SelectAImgFile* sel : {u->I0ImgSel, u->BGImgSel}) {
    const bool i0 = sel == u->I0ImgSel;
    add(i0 ? "i0_load" : "bg_load",
        [this, sel](const BatchCmd& c) { selectReference(sel, c.textArg()); });
    add(i0 ? "i0_clear" : "bg_clear",
        [this, sel](const BatchCmd&) { whenInputsFree([sel] { sel->clear0(); }); });
    add(i0 ? "i0_exp_time" : "bg_exp_time",
        [sel](const BatchCmd& c) { sel->setExpTime(c.realArg()); });
  }

  // ---- processing control
  add("ct_proc_slice", [this, pc](const BatchCmd& c) {
    pc->setSliceNo(c.intArg());
    markSliceNo_.setByCommand();
  });
  add("ct_auto_exec", [pc](const BatchCmd& c) { pc->setAutoExec(c.flagArg()); });
  add("ct_slice_from", [this, pc](const BatchCmd& c) {
    pc->setSliceFrom(c.intArg());
    markSliceRange_.setSinceLoad = true;
  });
  add("ct_slice_to", [this, pc](const BatchCmd& c) {
    pc->setSliceTo(c.intArg());
    markSliceRange_.setByCommand();
  });
  add("ct_slice_step", [pc](const BatchCmd& c) { pc->setSliceStep(c.intArg()); });
  add("ct_threads", [pc](const BatchCmd& c) { pc->setMaxThreads(c.intArg()); });
  add("ct_cor", [this, pc](const BatchCmd& c) {
    pc->setCor(c.realArg());
    markCor_.setByCommand();
  });
  add("ct_recorded_cor_1",
      [pc](const BatchCmd& c) { pc->setRecordedCoR(1, c.intArg(0), c.realArg(1)); });
  add("ct_recorded_cor_2",
      [pc](const BatchCmd& c) { pc->setRecordedCoR(2, c.intArg(0), c.realArg(1)); });
  add("ct_rot_ax_is_h", [pc](const BatchCmd& c) { pc->setRotAxIsV(!c.flagArg()); });
  add("ct_rot_ax_is_v", [pc](const BatchCmd& c) { pc->setRotAxIsV(c.flagArg()); });
  add("ct_angle_offset", [pc](const BatchCmd& c) { pc->setAngleOriginDeg(c.realArg()); });
  add("ct_angle_origin", [pc](const BatchCmd& c) { pc->setAngleOriginDeg(c.realArg()); });
  add("ct_use_partial_data_set",
      [pc](const BatchCmd& c) { pc->setUsePartialDataSet(c.flagArg()); });
  add("ct_dataset_range", [pc](const BatchCmd& c) { pc->setDataSetRangeDeg(c.realArg()); });
  add("ct_dataset_using_images",
      [pc](const BatchCmd& c) { pc->setDataSetUsingImages(c.intArg()); });
  add("ct_dataset_start_image_no",
      [pc](const BatchCmd& c) { pc->setDataSetStartImageNo(c.intArg()); });
  add("ct_set_disp_region", [this](const BatchCmd& c) {
    shareRegion(nullptr, false, c.realArg(0), c.realArg(1), c.realArg(2), c.realArg(3));
    markRegions_.setSinceLoad = true;
  });
  add("ct_set_calc_region", [this](const BatchCmd& c) {
    shareRegion(nullptr, true, c.realArg(0), c.realArg(1), c.realArg(2), c.realArg(3));
    markRegions_.setSinceLoad = true;
  });

  // ---- calculation and result display
  for (QRadioButton* engine : {u->SelectCt1, u->SelectCt2}) {
    add(engine == u->SelectCt1 ? "calc_ct1" : "calc_ct2", [this, engine](const BatchCmd& c) {
      if (!c.flagArg()) return;  // exclusive options: only choosing one changes anything
      engine->setChecked(true);
      changedCtSel(engine);
    });
  }
  check("calc_show_res", u->ShowCalcRes);
  check("fix_color_scale", u->FixColorScale);
  add("fix_color_min", [this](const BatchCmd& c) {
    setColorMin(c.realArg());
    fixColorScaleChanged();
  });
  add("fix_color_max", [this](const BatchCmd& c) {
    setColorMax(c.realArg());
    fixColorScaleChanged();
  });

  // ---- automatic saving
  struct SaveKeys {
    const char *on, *path, *name, *tag, *clear;
    QCheckBox* box;
    SelectAFile* sel;
  };
  for (const SaveKeys& k :
       {SaveKeys{"auto_save_image", "auto_save_image_path", "auto_save_image_name",
                 "auto_save_image_tag", "auto_save_image_clear", u->AutoSaveImage,
                 u->SelectImageSaveDir},
        SaveKeys{"auto_save_data", "auto_save_data_path", "auto_save_data_name",
                 "auto_save_data_tag", "auto_save_data_clear", u->AutoSaveData,
                 u->SelectDataSaveDir}}) {
    SelectAFile* sel = k.sel;
    check(k.on, k.box);
    add(k.path, [sel](const BatchCmd& c) { sel->setPath(c.textArg()); });
    add(k.name, [sel](const BatchCmd& c) { sel->setName(c.textArg()); });
    add(k.tag, [sel](const BatchCmd& c) { sel->setTag(c.textArg()); });
    add(k.clear, [sel](const BatchCmd&) { sel->clear0(); });
  }
  check("auto_save_in_sub_folders", u->SaveInSubFolders);
  check("auto_save_in_sub_folders_of_slice", u->SubOfSlice);
  check("auto_save_in_sub_folders_of_energy", u->SubOfEnergy);
  text("auto_save_data_upper_limit", u->DataUpperLimit);
  text("auto_save_data_lower_limit", u->DataLowerLimit);
  text("auto_save_data_offset", u->DataOffset);
  add("auto_save_data_format", [u](const BatchCmd& c) {
    const QString f = c.textArg().toLower();
    if (f == "dat" || f == "tif" || f == "tiff")
      u->AutoSaveDataFormat->setCurrentIndex(f == "dat" ? 0 : 1);
    else
      qDebug() << "auto_save_data_format takes dat or tif, not" << c.textArg();
  });

  // ---- CT-XAFS settings
  check("add_inf_show", u->ShowAdditionalAdditionalInfo);
  add("add_inf_Eng_Dirs", [u](const BatchCmd& c) { u->SelDDir->setIsEngDirs(c.flagArg()); });
  add("add_inf_Heron_standard", [u](const BatchCmd& c) { u->SelDDir->setIsHeronStd(c.flagArg()); });
  add("add_inf_Kestrel_standard",
      [u](const BatchCmd& c) { u->SelDDir->setIsKestrelStd(c.flagArg()); });
  for (I0ofImage* panel : {u->I0ofRawImage_, u->I0ofI0Image_}) {
    const bool raw = panel == u->I0ofRawImage_;
    const QString p = raw ? "add_inf_raw_i0_" : "add_inf_i0_i0_";
    auto word = [p](const char* rest) { return (p + rest).toLatin1(); };
    add(word("val").constData(), [panel](const BatchCmd& c) {
      panel->i0Val()->setText(QString::number(c.realArg(), 'g', 6));
    });
    check(word("from_xafs").constData(), panel->calcFromXafs());
    add(word("xafs").constData(),
        [panel](const BatchCmd& c) { panel->xafsFile()->selectFile(c.textArg()); });
    add(word("xafs_clear").constData(), [panel](const BatchCmd&) { panel->xafsFile()->clear0(); });
    text(word("eng_ptn").constData(), panel->engPattern());
  }

  // ---- pages of the image tabs
  add("show_tab", [this](const BatchCmd& c) { showPage(c.intArg()); });
  add("show_orig", [this](const BatchCmd&) { showPage(kPageRaw); });
  add("show_sinogram", [this](const BatchCmd&) { showPage(kPageSinogram); });
  add("show_ct1", [this](const BatchCmd&) { showPage(kPageCt1); });
  // The reference pages move when an engine page is inserted before them, so
  // they are found by their page rather than by a number.
  add("show_i0", [u](const BatchCmd&) { u->ImgsTab->setCurrentWidget(u->I0ImageTab); });
  add("show_bg", [u](const BatchCmd&) { u->ImgsTab->setCurrentWidget(u->BGImageTab); });
  // The page of worker N + 1, where it has one: with show_all_ct2_images off
  // only the first worker has a page (inserted before the I0 page).
  add("show_ct2", [this, u](const BatchCmd& c) {
    const int n = c.intArg();
    if (n >= 0 && n < static_cast<int>(ct2Pages_.size()) && ct2Pages_[n])
      u->ImgsTab->setCurrentWidget(ct2Pages_[n]);
  });

  // ---- peer link, calculation start, sinogram options
  check("quillmapLink_set_send_msg", u->SendMsg2Quillmap);
  add("calc_exec", [this](const BatchCmd&) {
    calcByBatch_ = !quietDispatch_;
    emit batchCalcStart();
  });
  add("set_sgm_alter_stack", [this](const BatchCmd& c) { sino_->setAlterStack(c.flagArg()); });
  add("set_sgm_move_y_w_mouse",
      [this](const BatchCmd& c) { sino_->setMoveYWithMouse(c.flagArg()); });

  // ---- energy-scanned series
  check("seq_exec_show", u->ShowAdditionalInfo);
  add("seq_exec_dir", [u](const BatchCmd& c) { u->SelDDir->setDataDir(c.textArg()); });
  add("seq_exec_file_pattern", [u](const BatchCmd& c) { u->SelDDir->setPattern(c.textArg()); });
  add("seq_exec_next", [this, u](const BatchCmd&) {
    // Take the next data set; at the last one there is none and the
    // batch condition turns false.
    SelectDataDir* d = u->SelDDir;
    const bool more = d->next();
    if (more) d->set();
    batch_->setLastOk(more);
  });
  add("seq_exec_set", [this, u](const BatchCmd& c) {
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
  add("seq_exec_select_i0", [u, patterns](const BatchCmd& c) {
    u->SelI0Files->setDirAndPatterns(c.textArg(), patterns(c), false);
  });
  check("seq_exec_keep_range_on_new_set", u->keepOnNewSet);
}
