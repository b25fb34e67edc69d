#pragma once

// Stand-ins for the windows whose folders have not registered them yet. Each shows what it
// stands for and takes every call of its interface without doing anything; forms whose template
// exists show its controls, so the frame's idle update has the controls it enables.

#include <QDialog>
#include <QFrame>
#include <QString>

#include "shell/views/ViewFactory.h"
#include "shell/views/TabPage.h"
#include "shell/views/ViewInterfaces.h"

struct ViewContext;

// A pane that names the window it stands for; with a template id, the template's controls.
class PlaceholderPane : public QFrame {
  Q_OBJECT
 public:
  PlaceholderPane(const QString& name, int templateId, QWidget* parent);
  QWidget* FindTemplateControl(int id) const;

 private:
  QWidget* form = nullptr;
};

// The placeholder of `slot`, built as a child of (or, for a dialog, owned by) `parent`.
IShellView* CreatePlaceholderView(ViewSlot slot, ViewContext& context, QWidget* parent);
// The placeholder page of the tab table's `row`, named after its tab.
ITabPage* CreatePlaceholderTabPage(int row, QWidget* parent);
// The name a placeholder shows for `slot`.
QString PlaceholderName(ViewSlot slot);
