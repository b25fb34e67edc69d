#pragma once

// Builds the main window's menu bar, tool bar and accelerators from resources/data. There is one
// QAction per command id; the caller connects each action's triggered() to its handler and sets
// enabled/checked from its update rules. An action's objectName and its "commandId" property hold
// the command id; its status tip and tool tip come from the command's prompt string ("Create a new
// capture session\nNew": status tip before the line break, tool tip after).

#include <QStringList>

#include <functional>
#include <map>

class QAction;
class QMenuBar;
class QObject;
class QToolBar;
class QWidget;

// Fills `bar` with menu `menuId`. Every command gets its action, owned by `owner`; the recent-file
// place gets kRecentFileCount actions (the first "Recent File", greyed; the others hidden). Menu
// texts keep their accelerator part after the tab. Returns id -> action.
std::map<int, QAction*> BuildMenuBar(QMenuBar* bar, int menuId, QObject* owner);

// Fills `bar` with tool bar `toolbarId`, reusing the actions of `actions` (and giving them the
// button's image). A button whose command has no action gets a new one owned by the tool bar;
// those are returned.
std::map<int, QAction*> BuildToolBar(QToolBar* bar, int toolbarId, const std::map<int, QAction*>& actions);

// Installs accelerator table `tableId` on `window`: a command with an action gets the key as the
// action's shortcut (the action is added to `window` so the key works while the menu is closed);
// a command without one gets a QShortcut that calls onCommandWithoutAction(id).
void InstallAccelerators(QWidget* window, int tableId, const std::map<int, QAction*>& actions,
                         std::function<void(int)> onCommandWithoutAction);

// Shows `paths` (most recent first, at most kRecentFileCount) in the recent-file actions as
// "&1 name" ...; unused ones are hidden; with no paths the first reads "Recent File", greyed.
void SetRecentFileActions(const std::map<int, QAction*>& actions, const QStringList& paths);

// The command id an action carries, or 0.
int CommandId(const QAction* action);
