// Vanto start-up: command line and configuration file into the store, style
// and translation, the main window, an optional batch file, the event loop.
#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QTranslator>
#include <memory>

#include "app/Body.h"
#include "app/Startup.h"
#include "automation/Batch.h"
#include "base/ConfigStore.h"
#include "base/MessageLog.h"
#include "base/NamedLog.h"

int main(int argc, char** argv) {
  ConfigStore& store = ConfigStore::instance();
  store.parseCommandLine(argc, argv);

  // Without a display, a run without a window uses the offscreen platform.
  if (startup::wantsOffscreen(startup::noWindowRequested(store), qgetenv("DISPLAY"),
                              qgetenv("WAYLAND_DISPLAY"), qgetenv("QT_QPA_PLATFORM")))
    qputenv("QT_QPA_PLATFORM", "offscreen");

  auto app = std::make_unique<QApplication>(argc, argv);
  // The window's log page shows every message; standard error still gets them.
  MessageLog::instance().install();
  qDebug() << "Size of integers" << sizeof(int) << sizeof(long) << sizeof(long long);
  QApplication::setStyle(QStyleFactory::create("Fusion"));

  store.readConfigFile(startup::configFileName(store));
  store.setDataRoot(startup::dataRoot(store, QDir::homePath()));
  if (store.contains("-nw")) MessageLog::instance().uninstall();  // no window to show them

  auto translator = std::make_unique<QTranslator>();
  if (!store.contains("-e")) {
    if (translator->load(":Vanto_ja_JP"))
      QCoreApplication::installTranslator(translator.get());
    else
      logNamed("Translation not loaded :", ":Vanto_ja_JP");
  }

  auto body = std::make_unique<Body>();
  QObject::connect(body.get(), &Body::finishing, app.get(), &QApplication::quit);
  if (!store.contains("-nw")) {
    // Open with the left column whole, within the screen's free area.
    if (const QScreen* screen = body->screen())
      body->resize(body->initialSize(screen->availableGeometry().size()));
    body->show();
    QTimer::singleShot(0, body.get(), &Body::keepOnScreen);
  }
  // -q makes a batch run a job: the program ends with the batch, and a batch
  // file that cannot be read ends it at once with exit code 2.
  const bool quitWithBatch = store.contains("-q");
  if (store.contains("-b")) {
    emit body->callBatchLoad(store.value("-b"));
    if (quitWithBatch && body->batch()->loadFailed()) {
      qDebug() << "Quitting : the batch file could not be read";
      return 2;
    }
  }
  // The job ends with its batch, once what the batch started (loading, a
  // run) is over: one summary line, and exit code 0 only when everything
  // asked for was done.
  if (quitWithBatch && store.contains("-x")) {
    Body* b = body.get();
    QObject::connect(
        body->batch(), &Batch::batchEnded, app.get(),
        [b] {
          static bool ending = false;
          if (ending) return;
          ending = true;
          b->whenIdle([b] {
            const JobStatus& job = b->jobStatus();
            qDebug().noquote() << job.summary();
            QCoreApplication::exit(job.succeeded() ? 0 : 1);
          });
        },
        Qt::QueuedConnection);
  }
  if (store.contains("-x")) emit body->callBatchExec();
  // A batch that ended within its first step has already queued the exit.

  const int rc = app->exec();
  body.reset();
  translator.reset();
  app.reset();
  return rc;
}
