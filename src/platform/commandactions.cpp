#include "platform/commandactions.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QShortcut>
#include <QWidget>

#include "platform/resource_ids.h"

namespace orva {

namespace {
const char kIdProperty[] = "orvaCommandId";
const char kBaseTextProperty[] = "orvaBaseText";
}  // namespace

CommandActions::CommandActions(CommandRouter& router, QWidget* owner)
    : QObject(owner), m_router(router), m_owner(owner) {}

QAction* CommandActions::Find(int id) const {
  auto it = m_actions.find(id);
  return it == m_actions.end() ? nullptr : it->second;
}

QAction* CommandActions::Action(int id, const QString& text) {
  if (QAction* existing = Find(id)) return existing;
  QString label = text;
  if (label.isEmpty()) {
    const CommandText* entry = FindCommandText(id);
    if (entry && entry->menuText) label = QString::fromUtf8(entry->menuText);
  }
  auto* action = new QAction(label, m_owner);
  action->setProperty(kIdProperty, id);
  action->setProperty(kBaseTextProperty, label);
  const CommandText* entry = FindCommandText(id);
  if (entry && entry->prompt) {
    QString prompt = QString::fromUtf8(entry->prompt);
    action->setStatusTip(prompt.section(QLatin1Char('\n'), 0, 0));
    action->setToolTip(prompt.section(QLatin1Char('\n'), 1, 1));
  }
  connect(action, &QAction::triggered, this, [this, id] { m_router.Route(id, QApplication::focusWidget()); });
  m_actions[id] = action;
  return action;
}

QAction* CommandActions::AddTo(QMenu* menu, int id, const QString& text) {
  QAction* shared = Action(id);
  if (text.isEmpty() || text == shared->property(kBaseTextProperty).toString()) {
    menu->addAction(shared);
    return shared;
  }
  // A different label in this menu: a proxy that triggers the shared action.
  auto* proxy = menu->addAction(text);
  proxy->setProperty(kIdProperty, id);
  proxy->setProperty(kBaseTextProperty, text);
  connect(proxy, &QAction::triggered, shared, &QAction::trigger);
  return proxy;
}

void CommandActions::AddShortcut(int id, const QKeySequence& key) {
  auto* shortcut = new QShortcut(key, m_owner);
  shortcut->setContext(Qt::WindowShortcut);
  connect(shortcut, &QShortcut::activated, this, [this, id] {
    CmdUI ui = m_router.Update(id, QApplication::focusWidget());
    if (ui.IsEnabled()) m_router.Route(id, QApplication::focusWidget());
  });
}

int CommandActions::CommandId(const QAction* action) {
  return action ? action->property(kIdProperty).toInt() : 0;
}

void CommandActions::Apply(QAction* action) {
  int id = CommandId(action);
  if (id == 0) return;
  CmdUI ui = m_router.Update(id, QApplication::focusWidget());
  action->setEnabled(ui.IsEnabled());
  if (ui.IsChecked() != action->isChecked()) {
    action->setCheckable(true);
    action->setChecked(ui.IsChecked());
  }
  action->setText(ui.Text() ? *ui.Text() : action->property(kBaseTextProperty).toString());
}

void CommandActions::Refresh() {
  for (auto& entry : m_actions) Apply(entry.second);
}

void CommandActions::Refresh(QMenu* menu) {
  for (QAction* action : menu->actions()) Apply(action);
}

}  // namespace orva
