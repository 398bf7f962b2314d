#pragma once
// One QAction per command id, shared by menus, tool bars and shortcuts. A
// triggered action is routed through the CommandRouter from the focus widget;
// Refresh() asks the router for every action's enable/check/text state (before
// a menu opens and on an idle timer).

#include <QKeySequence>
#include <QObject>
#include <QString>
#include <map>

#include "platform/command.h"

class QAction;
class QMenu;
class QWidget;

namespace orva {

class CommandActions : public QObject {
 public:
  CommandActions(CommandRouter& router, QWidget* owner);

  // The action of a command, created on first use with the command's menu text
  // (from the command text table) or `text` when given.
  QAction* Action(int id, const QString& text = QString());
  QAction* Find(int id) const;

  // Adds the command to a menu; a menu may show a different text for it.
  QAction* AddTo(QMenu* menu, int id, const QString& text = QString());

  // Binds a key to the command, active anywhere in the owner window.
  void AddShortcut(int id, const QKeySequence& key);

  // Refreshes the state of every action (or of those in `menu`).
  void Refresh();
  void Refresh(QMenu* menu);

  // The command id an action carries, or 0.
  static int CommandId(const QAction* action);

 private:
  void Apply(QAction* action);

  CommandRouter& m_router;
  QWidget* m_owner;
  std::map<int, QAction*> m_actions;
};

}  // namespace orva
