#pragma once
// Numbered commands. A command target handles a command id and reports, before
// menus open and while idle, whether the command is enabled, checked and which
// text it shows (CmdUI). The router offers a command to the focused view, then
// its frame, then the main frame, then the application, stopping at the first
// target that handles it.

#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace orva {

class CmdUI {
 public:
  explicit CmdUI(int id = 0) : m_id(id) {}

  int Id() const { return m_id; }
  void Enable(bool enabled = true) { m_enabled = enabled; }
  void SetCheck(bool checked = true) { m_checked = checked; }
  void SetText(const QString& text) { m_text = text; }

  bool IsEnabled() const { return m_enabled; }
  bool IsChecked() const { return m_checked; }
  const std::optional<QString>& Text() const { return m_text; }

 private:
  int m_id;
  bool m_enabled = true;
  bool m_checked = false;
  std::optional<QString> m_text;
};

class ICommandTarget {
 public:
  virtual ~ICommandTarget() = default;
  // Returns true when the command was handled here.
  virtual bool OnCommand(int id) = 0;
  // Returns true when this target owns the command's state (and has set it).
  virtual bool OnUpdateCommand(int id, CmdUI& ui) = 0;
};

class CommandRouter {
 public:
  // The main frame and the application are fixed; the view and frame are
  // found from the focus widget each time a command is routed.
  void SetMainFrame(ICommandTarget* mainFrame) { m_mainFrame = mainFrame; }
  void SetApplication(ICommandTarget* application) { m_application = application; }

  // The active document window and its main view. When the focus is outside
  // that window (a tool bar, a docked bar), the main view and its window
  // still come before the main frame, so commands keep following the active
  // window wherever the keyboard focus sits.
  struct ActiveWindow {
    QWidget* window = nullptr;
    QWidget* mainView = nullptr;
  };
  void SetActiveWindowProvider(std::function<ActiveWindow()> provider) { m_activeWindow = std::move(provider); }

  // The chain for a command: the command targets among the focus widget and
  // its ancestors (nearest first: the view, then its frame); when the focus
  // is not inside the active window, the targets from that window's main view
  // up; then the main frame and the application, each once.
  std::vector<ICommandTarget*> Chain(QWidget* focus) const;

  // Offers the command along the chain; true when a target handled it.
  bool Route(int id, QWidget* focus) const;

  // Asks the chain for the command's state. A command no target claims is
  // disabled.
  CmdUI Update(int id, QWidget* focus) const;

 private:
  ICommandTarget* m_mainFrame = nullptr;
  ICommandTarget* m_application = nullptr;
  std::function<ActiveWindow()> m_activeWindow;
};

}  // namespace orva
