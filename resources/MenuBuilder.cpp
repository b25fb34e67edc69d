#include "resources/MenuBuilder.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>
#include <QWidget>

#include "resources/ResourceImages.h"
#include "resources/data/AcceleratorResource.h"
#include "resources/data/MenuResource.h"
#include "resources/data/ResourceIds.h"
#include "resources/data/StringTable.h"
#include "resources/data/ToolbarResource.h"

namespace {

const char* kCommandIdProperty = "commandId";

QAction* NewCommandAction(int id, const QString& text, QObject* owner) {
  auto* action = new QAction(text, owner);
  action->setObjectName(QString::number(id));
  action->setProperty(kCommandIdProperty, id);
  action->setIconVisibleInMenu(false);
  // "Status text\nTool tip": the prompt string of the command.
  if (const char* prompt = LoadResourceString(id)) {
    const QString full = QString::fromUtf8(prompt);
    const qsizetype lineBreak = full.indexOf(u'\n');
    action->setStatusTip(lineBreak < 0 ? full : full.left(lineBreak));
    if (lineBreak >= 0) action->setToolTip(full.mid(lineBreak + 1));
  }
  return action;
}

void AddItems(QMenu* menu, const std::vector<MenuItem>& items, QObject* owner, std::map<int, QAction*>& actions) {
  for (const MenuItem& item : items) {
    switch (item.kind) {
      case MenuItemKind::Separator:
        menu->addSeparator();
        break;
      case MenuItemKind::Popup:
        AddItems(menu->addMenu(QString::fromUtf8(item.text)), item.items, owner, actions);
        break;
      case MenuItemKind::RecentFiles:
        for (int i = 0; i < kRecentFileCount; ++i) {
          const int id = ID_FILE_MRU_FILE1 + i;
          QAction* action = NewCommandAction(id, QString::fromUtf8(item.text), owner);
          action->setEnabled(i == 0 && !item.greyed);
          action->setVisible(i == 0);
          menu->addAction(action);
          actions[id] = action;
        }
        break;
      case MenuItemKind::Command: {
        QAction*& action = actions[item.id];
        if (!action) {
          action = NewCommandAction(item.id, QString::fromUtf8(item.text), owner);
          action->setCheckable(item.checkable);
          action->setChecked(item.checked);
          action->setEnabled(!item.greyed);
        }
        menu->addAction(action);
        break;
      }
    }
  }
}

int QtKeyFor(int virtualKey) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') return Qt::Key_A + (virtualKey - 'A');
  if (virtualKey >= '0' && virtualKey <= '9') return Qt::Key_0 + (virtualKey - '0');
  if (virtualKey >= 0x70 && virtualKey <= 0x87) return Qt::Key_F1 + (virtualKey - 0x70);
  switch (virtualKey) {
    case 0x2D:
      return Qt::Key_Insert;
    case 0x2E:
      return Qt::Key_Delete;
    case 0x21:
      return Qt::Key_PageUp;
    case 0x22:
      return Qt::Key_PageDown;
  }
  return 0;
}

QKeySequence SequenceFor(const Accelerator& accelerator) {
  int combined = QtKeyFor(accelerator.virtualKey);
  if (accelerator.modifiers & AccelControl) combined |= Qt::CTRL;
  if (accelerator.modifiers & AccelShift) combined |= Qt::SHIFT;
  if (accelerator.modifiers & AccelAlt) combined |= Qt::ALT;
  return QKeySequence(combined);
}

}  // namespace

std::map<int, QAction*> BuildMenuBar(QMenuBar* bar, int menuId, QObject* owner) {
  std::map<int, QAction*> actions;
  const MenuResource* menu = FindMenuResource(menuId);
  if (!bar || !menu) return actions;
  for (const MenuItem& popup : menu->popups) {
    QMenu* submenu = bar->addMenu(QString::fromUtf8(popup.text));
    AddItems(submenu, popup.items, owner, actions);
  }
  return actions;
}

std::map<int, QAction*> BuildToolBar(QToolBar* bar, int toolbarId, const std::map<int, QAction*>& actions) {
  std::map<int, QAction*> created;
  const ToolbarResource* toolbar = FindToolbarResource(toolbarId);
  if (!bar || !toolbar) return created;
  bar->setIconSize(QSize(toolbar->buttonWidth, toolbar->buttonHeight));
  for (int id : toolbar->buttons) {
    if (id == kToolbarSeparator) {
      bar->addSeparator();
      continue;
    }
    QAction* action = nullptr;
    if (auto found = actions.find(id); found != actions.end()) action = found->second;
    if (!action) {
      action = NewCommandAction(id, QString(), bar);
      created[id] = action;
    }
    action->setIcon(LoadToolbarIcon(id));
    if (action->toolTip().isEmpty()) action->setToolTip(action->text());
    bar->addAction(action);
  }
  return created;
}

void InstallAccelerators(QWidget* window, int tableId, const std::map<int, QAction*>& actions,
                         std::function<void(int)> onCommandWithoutAction) {
  const AcceleratorTable* table = FindAcceleratorTable(tableId);
  if (!window || !table) return;
  for (const Accelerator& accelerator : table->entries) {
    const QKeySequence sequence = SequenceFor(accelerator);
    auto found = actions.find(accelerator.commandId);
    if (found != actions.end() && found->second) {
      QAction* action = found->second;
      action->setShortcut(sequence);
      action->setShortcutContext(Qt::WindowShortcut);
      window->addAction(action);  // the key works while no menu is open
      continue;
    }
    auto* shortcut = new QShortcut(sequence, window);
    shortcut->setObjectName(QString::number(accelerator.commandId));
    shortcut->setContext(Qt::WindowShortcut);
    const int id = accelerator.commandId;
    QObject::connect(shortcut, &QShortcut::activated, window, [id, onCommandWithoutAction] {
      if (onCommandWithoutAction) onCommandWithoutAction(id);
    });
  }
}

void SetRecentFileActions(const std::map<int, QAction*>& actions, const QStringList& paths) {
  for (int i = 0; i < kRecentFileCount; ++i) {
    auto found = actions.find(ID_FILE_MRU_FILE1 + i);
    if (found == actions.end() || !found->second) continue;
    QAction* action = found->second;
    if (i < paths.size()) {
      QString shown = paths[i];
      shown.replace(u'&', QStringLiteral("&&"));
      action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
      action->setData(paths[i]);
      action->setEnabled(true);
      action->setVisible(true);
    } else {
      action->setText(QStringLiteral("Recent File"));
      action->setData(QVariant());
      action->setEnabled(false);
      action->setVisible(i == 0 && paths.isEmpty());
    }
  }
}

int CommandId(const QAction* action) {
  if (!action) return 0;
  const QVariant id = action->property(kCommandIdProperty);
  return id.isValid() ? id.toInt() : 0;
}
