// Setup files: the state of the main window's panels written as command
// lines, and restored by running those lines through the dispatcher.
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextStream>

#include "app/Body.h"
#include "app/SetupFile.h"
#include "base/NamedLog.h"
#include "ct/ProcCtrl.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/SelectAImgFile.h"
#include "imagedata/SelectDataDir.h"
#include "imagedata/SelectDataFiles.h"
#include "ui_Body.h"
#include "widgets/SeekCtrl.h"

namespace {
const char* const kCantOpen = "can't open save setup file : ";

// "folder *.suffix" of a file, the way images_load and seq_exec_select_i0 take it.
QString folderAndSuffix(const QString& file) {
  const QFileInfo fi(file);
  return SetupWriter::text(fi.absolutePath()) + QStringLiteral(" *.") +
         SetupWriter::text(fi.suffix());
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

void Body::showSaveSetupD() {
  setupSaving_ = true;
  setupDialog_->setAcceptMode(QFileDialog::AcceptSave);
  setupDialog_->setFileMode(QFileDialog::AnyFile);
  setupDialog_->open();
}

void Body::showLoadSetupD() {
  setupSaving_ = false;
  setupDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  setupDialog_->setFileMode(QFileDialog::ExistingFile);
  setupDialog_->open();
}

void Body::saveLoadFileSelected(QString fname) {
  if (setupSaving_)
    saveSetup(fname);
  else
    loadSetup(fname);
}

void Body::saveSetup(QString fname) {
  using W = SetupWriter;
  Ui::Body* u = ui_.get();
  const ProcCtrl* pc = u->procCtrl;
  W w;

  w.section("Original Images");
  if (imgs_->count() > 0 && !firstLoadedFile_.isEmpty())
    w.entry("#images_load", folderAndSuffix(firstLoadedFile_));
  w.entry("images_new_on_load", W::flag(u->CTFiles->loadNewFiles()));
  w.entry("images_keep_setup", W::flag(u->CTFiles->keepConditions()));
  w.entry("images_multi",
          W::flag(u->CTFiles->loadMultiTimes()) + ' ' + W::integer(u->CTFiles->multiTimes()));
  w.entry("images_seek", W::integer(u->seekCtrl->value()));
  // A reference that is not loaded is written as cleared: an empty i0_load
  // would fail on loading and leave the window's old reference in use.
  if (u->I0ImgSel->frame())
    w.entry("i0_load", W::text(u->I0ImgSel->fileName()));
  else
    w.command("i0_clear");
  if (u->BGImgSel->frame())
    w.entry("bg_load", W::text(u->BGImgSel->fileName()));
  else
    w.command("bg_clear");

  w.section("CT Reconstruction setting");
  // The axis first: with images loaded, a change of axis sets the slice,
  // range, centre of rotation and regions to that axis's defaults, which the
  // lines after it then replace with the saved values.
  w.entry("ct_rot_ax_is_h", W::flag(!pc->rotAxIsV()));
  w.entry("ct_proc_slice", W::integer(pc->sliceNo()));
  w.entry("ct_angle_origin", W::real(pc->angleOriginDeg()));
  w.entry("ct_dataset_range", W::real(pc->dataSetRangeDeg()));
  w.entry("ct_use_partial_data_set", pc->usePartialDataSet() ? "1" : " 0");
  w.entry("ct_dataset_using_images", W::integer(pc->dataSetUsingImages()));
  w.entry("ct_dataset_start_image_no", W::integer(pc->dataSetStartImageNo()));
  w.entry("ct_auto_exec", W::flag(pc->autoExec()));
  w.entry("ct_slice_from", W::integer(pc->sliceFrom()));
  w.entry("ct_slice_to", W::integer(pc->sliceTo()));
  w.entry("ct_slice_step", W::integer(pc->sliceStep()));
  w.entry("ct_threads", W::integer(pc->maxThreads()));
  w.entry("ct_cor", W::real(pc->cor()));
  w.entry("ct_recorded_cor_1", W::integer(pc->corSlice1()) + ' ' + W::real(pc->cor1()));
  w.entry("ct_recorded_cor_2", W::integer(pc->corSlice2()) + ' ' + W::real(pc->cor2()));
  // The reconstruction options only when set, so that older setups stay valid.
  const FbpFilterSpec filter = pc->filterSpec();
  if (filter.window != FilterWindow::Ramp) w.entry("ct_filter", filterWindowName(filter.window));
  if (filter.padding) w.entry("ct_filter_padding", W::flag(true));
  if (pc->ringRemovalSize() > 0) w.entry("ct_ring_removal", W::integer(pc->ringRemovalSize()));
  if (pc->outlierThreshold() > 0.0) w.entry("ct_outlier_removal", W::real(pc->outlierThreshold()));

  w.section("CT Reconstruction calculation");
  // Both engine choices: "calc_ct1 0" alone cannot select the second one.
  w.entry("calc_ct1", W::flag(u->SelectCt1->isChecked()));
  w.entry("calc_ct2", W::flag(u->SelectCt2->isChecked()));
  w.entry("calc_show_res", W::flag(u->ShowCalcRes->isChecked()));
  w.entry("fix_color_scale", W::flag(u->FixColorScale->isChecked()));
  w.entry("fix_color_min", W::real(colorMin()));
  w.entry("fix_color_max", W::real(colorMax()));
  w.entry("auto_save_image", W::flag(u->AutoSaveImage->isChecked()));
  w.entry("auto_save_image_path", W::text(u->SelectImageSaveDir->path()));
  w.entry("auto_save_image_name", W::text(u->SelectImageSaveDir->name()));
  w.entry("auto_save_image_tag", W::text(u->SelectImageSaveDir->tag()));
  w.entry("auto_save_data", W::flag(u->AutoSaveData->isChecked()));
  w.entry("auto_save_data_path", W::text(u->SelectDataSaveDir->path()));
  w.entry("auto_save_data_name", W::text(u->SelectDataSaveDir->name()));
  w.entry("auto_save_data_tag", W::text(u->SelectDataSaveDir->tag()));
  w.entry("auto_save_data_upper_limit", W::real(u->DataUpperLimit->text().toDouble()));
  w.entry("auto_save_data_lower_limit", W::real(u->DataLowerLimit->text().toDouble()));
  w.entry("auto_save_data_offset", W::real(u->DataOffset->text().toDouble()));
  if (u->AutoSaveDataFormat->currentIndex() == 1) w.entry("auto_save_data_format", "tif");
  w.entry("auto_save_in_sub_folders", W::flag(u->SaveInSubFolders->isChecked()));
  w.entry("auto_save_in_sub_folders_of_energy", W::flag(u->SubOfEnergy->isChecked()));

  w.section("Additional Settings for CT-XAFS");
  w.entry("add_inf_show", W::flag(u->ShowAdditionalAdditionalInfo->isChecked()));
  w.entry("add_inf_Eng_Dirs", W::flag(u->SelDDir->isEngDirs()));
  w.entry("add_inf_Heron_standard", W::flag(u->SelDDir->isHeronStd()));
  w.entry("add_inf_Kestrel_standard", W::flag(u->SelDDir->isKestrelStd()));
  // The pattern before the folder: scanning the folder uses it.
  w.entry("seq_exec_file_pattern", W::text(u->SelDDir->pattern()));
  w.entry("seq_exec_dir", W::text(u->SelDDir->dataDir()));
  if (u->SelI0Files->count() > 0)
    w.entry("seq_exec_select_i0", folderAndSuffix(entryFile(u->SelI0Files->entry(0))));
  w.entry("seq_exec_keep_range_on_new_set", W::flag(u->keepOnNewSet->isChecked()));

  QFile file(fname);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
    fail(namedMessage(kCantOpen, fname));
    return;
  }
  const QByteArray bytes = w.contents().toUtf8();
  if (file.write(bytes) != bytes.size() || !file.flush())
    fail(namedMessage("Can not write the whole setup file :", fname) + " : " + file.errorString());
}

void Body::loadSetup(QString fname) {
  QFile file(fname);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    fail(namedMessage(kCantOpen, fname));
    return;
  }
  QTextStream in(&file);
  QString line;
  QStringList lines;
  while (in.readLineInto(&line)) lines << line;
  file.close();
  runQuietly(lines);
}
