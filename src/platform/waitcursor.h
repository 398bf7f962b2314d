#pragma once
// Shows the wait cursor for the lifetime of the guard (long operations on the
// GUI thread). Nested guards stack; off the GUI thread the guard does nothing.

namespace orva {

class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  bool m_active = false;
};

}  // namespace orva
