// The menu bar, tool bar and accelerators built from the data: one action per command id with its
// text, prompt, check state and key, shared between menu and tool bar.
#include <gtest/gtest.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>

#include <set>

#include "resources/MenuBuilder.h"
#include "resources/data/MenuResource.h"
#include "resources/data/ResourceIds.h"
#include "resources/data/ToolbarResource.h"
#include "tests/shell/resources_test_app.h"

namespace {

// Compares a built menu with its data, item by item (separators, popups, commands).
void ExpectMirrors(QMenu* menu, const std::vector<MenuItem>& items, const std::map<int, QAction*>& actions,
                   const std::string& where) {
  QList<QAction*> built = menu->actions();
  size_t next = 0;
  for (const MenuItem& item : items) {
    const int count = item.kind == MenuItemKind::RecentFiles ? kRecentFileCount : 1;
    for (int i = 0; i < count; ++i, ++next) {
      ASSERT_LT(next, static_cast<size_t>(built.size())) << where;
      QAction* action = built[next];
      switch (item.kind) {
        case MenuItemKind::Separator:
          EXPECT_TRUE(action->isSeparator()) << where;
          break;
        case MenuItemKind::Popup:
          ASSERT_NE(action->menu(), nullptr) << where << " " << item.text;
          EXPECT_EQ(action->text(), QString::fromUtf8(item.text));
          ExpectMirrors(action->menu(), item.items, actions, where + "/" + item.text);
          break;
        case MenuItemKind::Command:
        case MenuItemKind::RecentFiles: {
          const int id = item.id + i;
          EXPECT_EQ(CommandId(action), id) << where;
          EXPECT_EQ(actions.at(id), action) << where << " " << id;
          if (item.kind == MenuItemKind::Command) {
            EXPECT_EQ(action->text(), QString::fromUtf8(item.text)) << id;
            EXPECT_EQ(action->isCheckable(), item.checkable) << id;
          }
          break;
        }
      }
    }
  }
  EXPECT_EQ(next, static_cast<size_t>(built.size())) << where << ": extra items";
}

TEST(BuildMenuBar, MirrorsMenu128WithOneActionPerCommand) {
  QMenuBar bar;
  QObject owner;
  const std::map<int, QAction*> actions = BuildMenuBar(&bar, IDR_MAINFRAME, &owner);
  const MenuResource& menu = *FindMenuResource(IDR_MAINFRAME);
  std::set<int> expectedIds;
  for (int id : MenuCommandIds(menu)) expectedIds.insert(id);
  std::set<int> builtIds;
  for (const auto& [id, action] : actions) {
    builtIds.insert(id);
    EXPECT_EQ(action->parent(), &owner) << id;
    EXPECT_EQ(action->objectName(), QString::number(id));
  }
  EXPECT_EQ(builtIds, expectedIds);
  ASSERT_EQ(bar.actions().size(), static_cast<int>(menu.popups.size()));
  for (size_t i = 0; i < menu.popups.size(); ++i) {
    QAction* top = bar.actions()[static_cast<int>(i)];
    EXPECT_EQ(top->text(), QString::fromUtf8(menu.popups[i].text));
    ExpectMirrors(top->menu(), menu.popups[i].items, actions, menu.popups[i].text);
  }
}

TEST(BuildMenuBar, PromptsBecomeStatusTipsAndToolTips) {
  QMenuBar bar;
  const auto actions = BuildMenuBar(&bar, IDR_MAINFRAME, &bar);
  EXPECT_EQ(actions.at(57600)->statusTip(), "Create a new capture session");
  EXPECT_EQ(actions.at(57600)->toolTip(), "New");
  EXPECT_EQ(actions.at(57601)->statusTip(), "Open an existing capture session");
  EXPECT_EQ(actions.at(32790)->statusTip(), "Save current buffer before new capture");
  EXPECT_EQ(actions.at(57600)->text(), "&New\tCtrl+N");
  EXPECT_TRUE(BuildMenuBar(&bar, 4242, &bar).empty());
  EXPECT_TRUE(BuildMenuBar(nullptr, IDR_MAINFRAME, &bar).empty());
}

TEST(BuildMenuBar, NewCaptureChoicesCheckOneAtATimeUnderTheUpdateRule) {
  QMenuBar bar;
  const auto actions = BuildMenuBar(&bar, IDR_MAINFRAME, &bar);
  // The update rule sets the check from "Options"; with 4 only Autosave is checked.
  const int options = 4;
  for (auto [id, code] : {std::pair{32798, 1}, std::pair{32797, 2}, std::pair{32790, 4}}) {
    actions.at(id)->setChecked(options == code);
  }
  EXPECT_FALSE(actions.at(32798)->isChecked());
  EXPECT_FALSE(actions.at(32797)->isChecked());
  EXPECT_TRUE(actions.at(32790)->isChecked());
  actions.at(57600)->setChecked(true);
  EXPECT_FALSE(actions.at(57600)->isChecked());  // a plain command never shows a check
}

TEST(SetRecentFileActions, ShowsPathsAndFallsBackToTheGreyedPlaceholder) {
  QMenuBar bar;
  const auto actions = BuildMenuBar(&bar, IDR_MAINFRAME, &bar);
  QAction* first = actions.at(ID_FILE_MRU_FILE1);
  QAction* second = actions.at(ID_FILE_MRU_FILE1 + 1);
  QAction* third = actions.at(ID_FILE_MRU_FILE1 + 2);
  EXPECT_EQ(first->text(), "Recent File");
  EXPECT_FALSE(first->isEnabled());
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(second->isVisible());

  SetRecentFileActions(actions, {"/data/run1.hsc", "/data/a&b.ast"});
  EXPECT_EQ(first->text(), "&1 /data/run1.hsc");
  EXPECT_TRUE(first->isEnabled());
  EXPECT_EQ(first->data().toString(), "/data/run1.hsc");
  EXPECT_EQ(second->text(), "&2 /data/a&&b.ast");  // '&' in a name is shown, not a mnemonic
  EXPECT_TRUE(second->isVisible());
  EXPECT_FALSE(third->isVisible());

  SetRecentFileActions(actions, {});
  EXPECT_EQ(first->text(), "Recent File");
  EXPECT_FALSE(first->isEnabled());
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(second->isVisible());
  EXPECT_FALSE(first->data().isValid());
}

TEST(BuildToolBar, SharesTheMenuActionsInButtonOrder) {
  QMainWindow window;
  const auto actions = BuildMenuBar(window.menuBar(), IDR_MAINFRAME, &window);
  QToolBar* bar = window.addToolBar("Standard");
  const auto created = BuildToolBar(bar, IDR_MAINFRAME, actions);
  EXPECT_TRUE(created.empty());
  EXPECT_EQ(bar->iconSize(), QSize(16, 15));
  const std::vector<int>& buttons = FindToolbarResource(IDR_MAINFRAME)->buttons;
  ASSERT_EQ(bar->actions().size(), static_cast<int>(buttons.size()));
  for (size_t i = 0; i < buttons.size(); ++i) {
    QAction* action = bar->actions()[static_cast<int>(i)];
    if (buttons[i] == kToolbarSeparator) {
      EXPECT_TRUE(action->isSeparator()) << i;
      continue;
    }
    EXPECT_EQ(action, actions.at(buttons[i])) << buttons[i];
    EXPECT_FALSE(action->icon().isNull()) << buttons[i];
    EXPECT_FALSE(action->isIconVisibleInMenu());
  }
  // Disabling the command greys menu item and button together.
  actions.at(57603)->setEnabled(false);
  EXPECT_FALSE(bar->actions()[2]->isEnabled());
}

TEST(BuildToolBar, MakesItsOwnActionsWhenTheMenuHasNone) {
  QToolBar bar;
  const auto created = BuildToolBar(&bar, IDR_MAINFRAME, {});
  ASSERT_EQ(created.size(), 5u);
  EXPECT_EQ(created.at(57600)->toolTip(), "New");
  EXPECT_EQ(created.at(57664)->toolTip(), "About");
  EXPECT_EQ(created.at(57600)->parent(), &bar);
}

TEST(InstallAccelerators, KeysGoToActionsOrToTheFallback) {
  QMainWindow window;
  const auto actions = BuildMenuBar(window.menuBar(), IDR_MAINFRAME, &window);
  std::vector<int> fallback;
  InstallAccelerators(&window, IDR_MAINFRAME, actions, [&](int id) { fallback.push_back(id); });
  const std::pair<int, const char*> viaActions[] = {
      {57600, "Ctrl+N"}, {57601, "Ctrl+O"}, {57603, "Ctrl+S"}, {57607, "Ctrl+P"}};
  for (const auto& [id, key] : viaActions) {
    EXPECT_EQ(actions.at(id)->shortcut(), QKeySequence(QString::fromLatin1(key))) << id;
    EXPECT_EQ(actions.at(id)->shortcutContext(), Qt::WindowShortcut);
    EXPECT_TRUE(window.actions().contains(actions.at(id))) << id;
  }
  const std::pair<int, const char*> viaShortcuts[] = {
      {32774, "Ctrl+Shift+D"}, {32812, "Ctrl+Shift+U"}, {32802, "Ctrl+F"}};
  for (const auto& [id, key] : viaShortcuts) {
    auto* shortcut = window.findChild<QShortcut*>(QString::number(id));
    ASSERT_NE(shortcut, nullptr) << id;
    EXPECT_EQ(shortcut->key(), QKeySequence(QString::fromLatin1(key))) << id;
    emit shortcut->activated();
  }
  EXPECT_EQ(fallback, (std::vector<int>{32774, 32812, 32802}));
  // Actions with a key do not also get a shortcut of their own (the key would be ambiguous).
  EXPECT_EQ(window.findChild<QShortcut*>("57600"), nullptr);
}

}  // namespace
