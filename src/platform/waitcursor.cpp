#include "platform/waitcursor.h"

#include <QApplication>
#include <QCursor>

#include "platform/guithread.h"

namespace orva {

WaitCursor::WaitCursor() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) && IsGuiThread()) {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    m_active = true;
  }
}

WaitCursor::~WaitCursor() {
  if (m_active) QApplication::restoreOverrideCursor();
}

}  // namespace orva
