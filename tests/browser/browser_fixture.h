#pragma once
// What the object-browser tests share: a host with real query windows in an
// MDI area, the tree in a window of its own, and helpers that act as a user
// does (expanding nodes, right-clicking and choosing menu items, pressing keys).

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/browserhost.h"
#include "browser/schemaview.h"
#include "db/dbconnection.h"
#include "platform/codec.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "query/childframe.h"
#include "query/querydoc.h"
#include "query/queryview.h"

namespace orva::browsertest {

// Query windows made the way the main window makes them.
class TestHost : public IBrowserHost {
 public:
  TestHost() {
    area.resize(900, 600);
    area.show();
  }
  ~TestHost() override {
    for (QMdiSubWindow* window : area.subWindowList()) delete window;
  }
  CChildFrame* ActiveQueryWindow() const override {
    QMdiSubWindow* window = area.activeSubWindow();
    return window ? dynamic_cast<CChildFrame*>(window->widget()) : nullptr;
  }
  std::vector<CChildFrame*> QueryWindows() const override {
    std::vector<CChildFrame*> frames;
    for (QMdiSubWindow* window : area.subWindowList(QMdiArea::CreationOrder))
      if (auto* frame = dynamic_cast<CChildFrame*>(window->widget())) frames.push_back(frame);
    return frames;
  }
  CChildFrame* NewQueryWindow(CDBConnection* connection) override {
    auto document = std::make_unique<CQueryDoc>();
    if (!document->OnNewDocument()) return nullptr;
    auto* frame = new CChildFrame;
    auto* view = new CQueryView(document.get());
    frame->SetQueryView(view);
    frame->SetDocument(std::move(document));
    frame->SetConnection(connection);
    view->OnInitialUpdate();
    QMdiSubWindow* window = area.addSubWindow(frame);
    window->show();
    ++opened;
    return frame;
  }
  bool OpenObjectView(CDBConnection*, const std::string& name, int kind) override {
    objectViews.push_back(name);
    return acceptObjectViews;
  }

  QMdiArea area;
  int opened = 0;
  bool acceptObjectViews = false;
  std::vector<std::string> objectViews;
};

inline std::string Text(const QTreeWidgetItem* item) { return item ? item->text(0).toStdString() : "<none>"; }

inline std::vector<std::string> ChildTexts(const QTreeWidgetItem* item) {
  std::vector<std::string> texts;
  for (int i = 0; item && i < item->childCount(); ++i) texts.push_back(Text(item->child(i)));
  return texts;
}

// The child with the text (UTF-8), or null.
inline QTreeWidgetItem* Child(QTreeWidgetItem* item, const std::string& text) {
  for (int i = 0; item && i < item->childCount(); ++i)
    if (Text(item->child(i)) == text) return item->child(i);
  return nullptr;
}

// Processes events until no folder is being read (or a minute has passed).
inline bool WaitForFills(CSchemaView& view) {
  QElapsedTimer timer;
  timer.start();
  while (view.IsFilling() && timer.elapsed() < 60000)
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  QApplication::processEvents();
  return !view.IsFilling();
}

// Scrolls to the node and clicks its expand button, then waits for the read.
inline void Expand(CSchemaView& view, QTreeWidgetItem* item) {
  ASSERT_NE(item, nullptr);
  view.scrollToItem(item);
  const QRect rect = view.visualItemRect(item);
  // The expand button sits left of the item's text, one indentation step in.
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(rect.left() - view.indentation() / 2, rect.center().y()));
  if (!item->isExpanded()) item->setExpanded(true);  // platform styles without a clickable button
  WaitForFills(view);
}

// Right-clicks the point; `choose` then sees the menu that opened (null when
// none did) and may pick an item; the menu is closed afterwards.
inline void RightClick(CSchemaView& view, QPoint point, const std::function<void(QMenu*)>& choose) {
  bool seen = false;
  // The menu runs its own event loop: the poll finds it there.
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || seen) return;
    seen = true;
    poll.stop();
    choose(menu);
    if (menu->isVisible()) menu->close();
  });
  poll.start();
  // The right button as the window system delivers it: the press, then the
  // context-menu request at the same place.
  QTest::mouseClick(view.viewport(), Qt::RightButton, Qt::NoModifier, point);
  QContextMenuEvent request(QContextMenuEvent::Mouse, point, view.viewport()->mapToGlobal(point));
  QApplication::sendEvent(view.viewport(), &request);
  poll.stop();
  if (!seen) choose(nullptr);
}

// The action of a command in a menu or its submenus.
inline QAction* FindAction(QMenu* menu, int id) {
  if (!menu) return nullptr;
  for (QAction* action : menu->actions()) {
    if (action->data().toInt() == id) return action;
    if (QAction* inner = FindAction(action->menu(), id)) return inner;
  }
  return nullptr;
}

// Right-clicks the node and chooses the command from its menu; false when the
// menu did not offer it enabled.
inline bool ChooseCommand(CSchemaView& view, QTreeWidgetItem* item, int id) {
  view.scrollToItem(item);
  bool chosen = false;
  RightClick(view, view.visualItemRect(item).center(), [&](QMenu* menu) {
    QAction* action = FindAction(menu, id);
    if (!action || !action->isEnabled()) {
      ADD_FAILURE() << "menu " << (menu ? "without" : "missing") << " command " << id << " at " << Text(view.currentItem())
                    << " for " << Text(item);
      return;
    }
    chosen = true;
    action->trigger();
  });
  WaitForFills(view);
  return chosen;
}

inline void DoubleClick(CSchemaView& view, QTreeWidgetItem* item) {
  view.scrollToItem(item);
  const QPoint point = view.visualItemRect(item).center();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, point);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, point);
  WaitForFills(view);
}

inline void Select(CSchemaView& view, QTreeWidgetItem* item) {
  view.scrollToItem(item);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.visualItemRect(item).center());
}

// Drags the node with the mouse: a press on it and moves with the button held
// until the tree starts its drag. The platform's drag loop is replaced by one
// that delivers the drag to `target` at `to`, as a pointer moved there and
// released would. False when no drag started.
inline bool DragNode(CSchemaView& view, QTreeWidgetItem* item, QWidget* target, QPoint to) {
  bool started = false;
  CSchemaView::SetDragLoop([&](QDrag& drag) {
    started = true;
    const Qt::DropActions actions = drag.supportedActions();
    QDragEnterEvent enter(to, actions, drag.mimeData(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return Qt::IgnoreAction;
    QDropEvent drop(to, actions, drag.mimeData(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
  });
  view.scrollToItem(item);
  const QPoint from = view.visualItemRect(item).center();
  QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, from);
  // The first move arms the drag, a further one past the distance starts it.
  QPoint at = from;
  for (int step = 0; step < 3 && !started; ++step) {
    at += QPoint(0, QApplication::startDragDistance() + 2);
    QMouseEvent move(QEvent::MouseMove, at, view.viewport()->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
  }
  QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, at);
  CSchemaView::SetDragLoop(nullptr);
  return started;
}

// The editor text of a query window, UTF-8.
inline std::string EditorText(CChildFrame* frame) {
  return frame && frame->GetQueryView() ? Utf8FromGbk(frame->GetQueryView()->GetAllText()) : std::string("<none>");
}

}  // namespace orva::browsertest
