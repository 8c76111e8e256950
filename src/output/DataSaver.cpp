#include "output/DataSaver.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

DataSaver::DataSaver(QObject* parent) : QObject(parent) {
  qRegisterMetaType<SavingData*>("SavingData*");
  qRegisterMetaType<SavingImg*>("SavingImg*");
}

void DataSaver::fail(const QString& path, const QString& reason) {
  qWarning().noquote() << QStringLiteral("Saving failed: %1: %2").arg(path, reason);
  emit saveFailed(path, reason);
}

bool DataSaver::makeFolder(const QString& folder) {
  if (QDir().mkpath(folder)) return true;
  // Find out why: the nearest existing ancestor tells it.
  QFileInfo fi(folder);
  while (!fi.exists() && fi.absoluteFilePath() != fi.absolutePath())
    fi = QFileInfo(fi.absolutePath());
  const QString reason = fi.exists() && !fi.isDir()
                             ? QStringLiteral("folder cannot be created, %1 is not a folder")
                                   .arg(fi.absoluteFilePath())
                             : QStringLiteral("folder cannot be created");
  fail(QDir(folder).absolutePath(), reason);
  return false;
}

QStringList DataSaver::prepareFolders(const QString& path, const QString& tag, const QString& no) {
  const QStringList folders = layout_.folders(path, tag, no);
  if (layout_.subFolders)
    for (const QString& f : folders) makeFolder(f);
  return folders;
}

bool DataSaver::writeFile(const QString& target, const QByteArray& bytes) {
  QFile f(target);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    fail(target, f.errorString());
    return false;
  }
  const qint64 n = f.write(bytes);
  if (n != bytes.size() || !f.flush()) {
    fail(target, f.errorString());
    f.close();
    return false;
  }
  f.close();
  if (f.error() != QFileDevice::NoError) {
    fail(target, f.errorString());
    return false;
  }
  return true;
}

void DataSaver::saveData(SavingData* data) {
  if (!data) return;
  const QString file = resultFileName(data->name, data->tag, data->no, data->ext);
  for (const QString& folder : prepareFolders(data->path, data->tag, data->no)) {
    const QString target = QDir(folder).absoluteFilePath(file);
    if (writeFile(target, data->data)) emit saved(target);
  }
}

void DataSaver::saveImg(SavingImg* img) {
  if (!img) return;
  const QString file = resultFileName(img->name, img->tag, img->no, QStringLiteral("png"));
  for (const QString& folder : prepareFolders(img->path, img->tag, img->no)) {
    const QString target = QDir(folder).absoluteFilePath(file);
    if (!img->encoded.isEmpty()) {  // encoded by the worker
      if (writeFile(target, img->encoded)) emit saved(target);
      continue;
    }
    if (img->image.isNull()) {
      fail(target, QStringLiteral("no picture to save"));
      continue;
    }
    if (!img->image.save(target)) {
      fail(target, QStringLiteral("picture cannot be written"));
      continue;
    }
    emit saved(target);
  }
}

void DataSaver::saveDataWDiscard(SavingData* data) {
  saveData(data);
  delete data;
}

void DataSaver::saveImgWDiscard(SavingImg* img) {
  saveImg(img);
  delete img;
}
