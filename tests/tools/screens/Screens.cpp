// screens OUTDIR: runs the application in-process and offscreen on a simulated machine with the
// instrument, goes through a fixed sequence (start, a capture of one scenario call, each tab,
// each dialog) and writes one PNG per tab and dialog plus "screens.txt", the list of files.
// screens --check OUTDIR: every file of the list exists and loads as an image.

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "display/RegisterDisplayViews.h"
#include "driver/install/OruDriverStore.h"
#include "maintenance/RegisterMaintenanceViews.h"
#include "platform/machine/Machine.h"
#include "shell/OruApp.h"
#include "shell/prompts/ScriptedAnswerer.h"
#include "sim/Instrument.h"
#include "tests/tools/screens/ScreenSteps.h"
#include "trace/RegisterTraceViews.h"

namespace {

constexpr const char* kListName = "screens.txt";

struct Step {
  int order;
  QString name;
  ScreenStep run;
};

std::vector<Step>& Steps() {
  static std::vector<Step> steps;
  return steps;
}

int Check(const QDir& out) {
  QFile list(out.filePath(kListName));
  if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
    std::fprintf(stderr, "screens: no list %s\n", qPrintable(list.fileName()));
    return 1;
  }
  int files = 0;
  int bad = 0;
  QTextStream in(&list);
  while (!in.atEnd()) {
    const QString name = in.readLine().trimmed();
    if (name.isEmpty()) continue;
    ++files;
    QImage image;
    if (!image.load(out.filePath(name)) || image.isNull()) {
      std::fprintf(stderr, "screens: %s is missing or no image\n", qPrintable(name));
      ++bad;
    }
  }
  if (files == 0) std::fprintf(stderr, "screens: the list is empty\n");
  std::printf("screens: %d files listed, %d bad\n", files, bad);
  return files > 0 && bad == 0 ? 0 : 1;
}

}  // namespace

ScreenStepRegistrar::ScreenStepRegistrar(int order, const char* name, ScreenStep step) {
  Steps().push_back({order, QString::fromLatin1(name), std::move(step)});
}

bool ScreenContext::Save(QWidget* widget, const QString& name) {
  widget->show();
  QCoreApplication::processEvents();
  QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    // A shaped window shows only inside its mask.
    if (!widget->mask().isEmpty()) painter.setClipRegion(widget->mask());
    widget->render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
  }
  const QString file = name + QStringLiteral(".png");
  if (!image.save(out.filePath(file))) {
    std::fprintf(stderr, "screens: cannot write %s\n", qPrintable(file));
    return false;
  }
  written << file;
  return true;
}

bool ScreenContext::WaitFor(const std::function<bool()>& condition, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--check")) {
    QCoreApplication core(argc, argv);
    return Check(QDir(QString::fromLocal8Bit(argv[2])));
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: screens OUTDIR | screens --check OUTDIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.exists() && !QDir().mkpath(out.path())) {
    std::fprintf(stderr, "screens: cannot make %s\n", argv[1]);
    return 1;
  }

  platform::Machine machine;
  oru::InstallDriver(machine);
  sim::InstrumentOptions options;
  options.clock.mode = sim::TimeMode::PerCommand;
  options.clock.perCommand = sim::millis(100);
  auto instrument = std::make_unique<sim::Instrument>(options);
  const int port = machine.plug(*instrument);

  QApplication qt(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QTemporaryDir work;
  ScriptedAnswerer answers;
  answers.OnFailure([](const std::string& message) { std::fprintf(stderr, "screens: prompt: %s\n", message.c_str()); });
  int status = 0;
  {
    StartupRecord record;
    record.settingsFile = work.filePath(QStringLiteral("settings.ini"));
    record.programFolder = work.path() + QStringLiteral("/");
    record.answerer = &answers;
    record.instanceServerName = work.filePath(QStringLiteral("instance"));
    record.showSplash = false;
    record.machine = &machine;
    CORUpc144App app(std::move(record));
    RegisterDisplayViews(app.viewFactory);
    RegisterTraceViews(app.viewFactory);
    RegisterMaintenanceViews(app.viewFactory);
    if (!app.InitInstance()) {
      std::fprintf(stderr, "screens: the application did not start\n");
      status = 1;
    } else {
      ScreenContext context{app, answers, *instrument, out, {}};
      std::stable_sort(Steps().begin(), Steps().end(), [](const Step& a, const Step& b) {
        return a.order != b.order ? a.order < b.order : a.name < b.name;
      });
      for (const Step& step : Steps()) {
        std::printf("screens: %s\n", qPrintable(step.name));
        step.run(context);
      }
      QFile list(out.filePath(kListName));
      if (list.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream text(&list);
        for (const QString& file : context.written) text << file << '\n';
      } else {
        status = 1;
      }
      if (!answers.failures().empty()) status = 1;
      std::printf("screens: %lld files in %s\n", static_cast<long long>(context.written.size()), argv[1]);
    }
    app.ExitInstance();
  }
  machine.unplug(port);
  machine.shutdown();
  return status;
}
