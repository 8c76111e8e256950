#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs program in dir with the offscreen platform, its two output streams
// merged into log; returns the exit code, or -1 when it crashed or did not
// finish within timeoutMs (it is then killed).
inline int runProgram(const QString& program, const QStringList& args, const QString& dir,
                      int timeoutMs, QByteArray* log = nullptr) {
  QProcess p;
  p.setWorkingDirectory(dir);
  p.setProcessChannelMode(QProcess::MergedChannels);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  p.start(program, args);
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished();
    return -1;
  }
  if (log) *log = p.readAll();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
