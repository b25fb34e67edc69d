// The configuration dialog after the instrument's answer, the clock dialog, the About box in its
// short and full forms and the find dialog with a text typed.

#include <QCoreApplication>
#include <QDateTime>
#include <QMouseEvent>
#include <QLineEdit>

#include "resources/TemplateBuilder.h"
#include "shell/dialogs/AboutDlg.h"
#include "shell/frame/CMainFrame.h"
#include "shell/dialogs/ConfigureDlg.h"
#include "shell/dialogs/FindDlg.h"
#include "shell/OruApp.h"
#include "shell/prompts/ScriptedAnswerer.h"
#include "shell/dialogs/TimeEntry.h"
#include "sim/Instrument.h"
#include "tests/tools/screens/ScreenSteps.h"

namespace {

const ScreenStepRegistrar configure(33, "configuration dialog", [](ScreenContext& s) {
  CORUConfigureDlg dialog(s.app.viewContext(), s.app.mainFrame);
  const std::size_t replies = s.instrument.transcript().replies().size();
  s.answers.Modal([&](QDialog& d) {
    // The instrument's answer to the dialog's read arrives while the dialog is up.
    s.WaitFor([&] { return s.instrument.transcript().replies().size() > replies; }, 5000);
    s.WaitFor(
        [&] {
          dialog.ReloadFromSettings();
          return dialog.Values().standard != kNoChoice;
        },
        5000);
    s.Save(&d, QStringLiteral("dialog-142-configure"));
    ScriptedAnswerer::Click(d, 2);
    return d.result();
  });
  dialog.RunModal();
});

const ScreenStepRegistrar clock(34, "clock dialog", [](ScreenContext& s) {
  CORUTimeEntry dialog(s.app.viewContext(), s.app.mainFrame, QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
  s.Save(&dialog, QStringLiteral("dialog-164-clock"));
  dialog.done(0);
});

const ScreenStepRegistrar about(36, "about box", [](ScreenContext& s) {
  CAboutDlg dialog(s.app.viewContext());
  s.Save(&dialog, QStringLiteral("dialog-100-about-short"));
  QWidget* program = FindControl(&dialog, 1138);
  if (program) {
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(2, 2), program->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(program, &click);
  }
  s.Save(&dialog, QStringLiteral("dialog-100-about-full"));
  dialog.done(0);
});

const ScreenStepRegistrar find(37, "find dialog", [](ScreenContext& s) {
  CORUFindDlg dialog(s.app.viewContext(), nullptr);
  s.answers.Modal([&](QDialog& d) {
    ScriptedAnswerer::SetText(d, 1120, QStringLiteral("CONNECT"));
    s.Save(&d, QStringLiteral("dialog-171-find"));
    ScriptedAnswerer::Click(d, 2);
    return d.result();
  });
  dialog.RunModal();
});

}  // namespace
