#include "platform/command.h"

#include <QWidget>
#include <algorithm>

namespace orva {

std::vector<ICommandTarget*> CommandRouter::Chain(QWidget* focus) const {
  std::vector<ICommandTarget*> chain;
  auto add = [&chain](ICommandTarget* target) {
    if (target && std::find(chain.begin(), chain.end(), target) == chain.end()) chain.push_back(target);
  };
  auto addFrom = [&](QWidget* start) {
    for (QWidget* w = start; w; w = w->parentWidget()) {
      auto* target = dynamic_cast<ICommandTarget*>(w);
      if (target == m_mainFrame) break;  // the main frame comes after the frames
      add(target);
    }
  };
  addFrom(focus);
  if (m_activeWindow) {
    const ActiveWindow active = m_activeWindow();
    if (active.window && !(focus && active.window->isAncestorOf(focus)) && focus != active.window)
      addFrom(active.mainView ? active.mainView : active.window);
  }
  add(m_mainFrame);
  add(m_application);
  return chain;
}

bool CommandRouter::Route(int id, QWidget* focus) const {
  for (ICommandTarget* target : Chain(focus))
    if (target->OnCommand(id)) return true;
  return false;
}

CmdUI CommandRouter::Update(int id, QWidget* focus) const {
  for (ICommandTarget* target : Chain(focus)) {
    CmdUI ui(id);
    if (target->OnUpdateCommand(id, ui)) return ui;
  }
  CmdUI ui(id);
  ui.Enable(false);
  return ui;
}

}  // namespace orva
