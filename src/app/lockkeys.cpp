#include "app/lockkeys.h"

#include <QGuiApplication>
#include <X11/XKBlib.h>

namespace orva {

std::optional<std::array<bool, 3>> QueryLockKeys() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return std::nullopt;
  std::array<bool, 3> states{};
  const char* names[] = {"Caps Lock", "Num Lock", "Scroll Lock"};
  for (int i = 0; i < 3; ++i) {
    Atom atom = XInternAtom(display, names[i], True);
    Bool on = False;
    if (atom != None && XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) states[i] = on;
  }
  return states;
}

}  // namespace orva
