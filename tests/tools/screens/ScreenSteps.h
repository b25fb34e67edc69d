#pragma once

// The screens tool's sequence. Each window issue adds its own steps in a file of its own with a
// static ScreenStepRegistrar; the steps run in order of `order`, then of name.

#include <QDir>
#include <QString>
#include <QStringList>

#include <functional>

class CORUpc144App;
class ScriptedAnswerer;
class QWidget;
namespace sim {
class Instrument;
}

struct ScreenContext {
  CORUpc144App& app;
  ScriptedAnswerer& answers;
  sim::Instrument& instrument;
  QDir out;
  QStringList written;  // file names, in order

  // Renders `widget` (laid out and painted, offscreen) into `<name>.png`; false when it could not
  // be written.
  bool Save(QWidget* widget, const QString& name);
  // Pumps events until `condition` holds or `ms` pass.
  bool WaitFor(const std::function<bool()>& condition, int ms = 20000);
};

using ScreenStep = std::function<void(ScreenContext&)>;

struct ScreenStepRegistrar {
  ScreenStepRegistrar(int order, const char* name, ScreenStep step);
};
