#include "platform/longwork.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "platform/guithread.h"

namespace orva {
namespace {

constexpr int kPollMs = 100;
constexpr int kBarSteps = 1000;

}  // namespace

void LongWorkControl::SetText(const QString& text) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_text = text;
  m_textChanged = true;
}

bool LongWorkControl::TakeText(QString& text) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (!m_textChanged) return false;
  text = m_text;
  m_textChanged = false;
  return true;
}

void LongWorkControl::SetCancelAction(std::function<void()> action) {
  std::unique_lock<std::mutex> lock(m_lock);
  m_cancelAction = std::move(action);
  if (!Cancelled() || !m_cancelAction) return;
  std::function<void()> run = m_cancelAction;
  lock.unlock();
  run();
}

void LongWorkControl::Cancel() {
  std::function<void()> run;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_cancelled.exchange(true)) return;
    run = m_cancelAction;
  }
  if (run) run();
}

namespace {

struct Work {
  LongWorkRequest request;
  LongWorkControl control;
  std::thread thread;
  QElapsedTimer started;
  std::unique_ptr<QTimer> timer;
  QPointer<QWidget> anchor;
  QPointer<QWidget> progress;  // lives in a status bar that may go first
  QProgressBar* bar = nullptr;
  QLabel* label = nullptr;

  ~Work() {
    if (thread.joinable()) {
      control.Cancel();
      thread.join();
    }
  }
};

// GUI thread only.
std::vector<std::shared_ptr<Work>>& Works() {
  static std::vector<std::shared_ptr<Work>> works;
  return works;
}

QStatusBar* StatusBarFor(QWidget* anchor) {
  for (QWidget* w = anchor; w; w = w->parentWidget())
    if (auto* main = qobject_cast<QMainWindow*>(w)) return main->statusBar();
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* main = qobject_cast<QMainWindow*>(w); main && main->isVisible()) return main->statusBar();
  return nullptr;
}

void ShowProgress(const std::shared_ptr<Work>& work) {
  QStatusBar* status = StatusBarFor(work->anchor);
  if (!status) return;
  auto* box = new QWidget(status);
  box->setObjectName(QStringLiteral("longWorkProgress"));
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  work->label = new QLabel(work->request.text, box);
  layout->addWidget(work->label);
  work->bar = new QProgressBar(box);
  work->bar->setRange(0, kBarSteps);
  work->bar->setFixedWidth(160);
  work->bar->setTextVisible(false);
  layout->addWidget(work->bar);
  auto* cancel = new QPushButton(QStringLiteral("取消"), box);
  cancel->setObjectName(QStringLiteral("longWorkCancel"));
  std::weak_ptr<Work> weak = work;
  QObject::connect(cancel, &QPushButton::clicked, cancel, [weak, cancel] {
    if (auto w = weak.lock()) w->control.Cancel();
    cancel->setEnabled(false);
  });
  layout->addWidget(cancel);
  status->addPermanentWidget(box);
  box->show();
  work->progress = box;
}

void UpdateProgress(const std::shared_ptr<Work>& work) {
  if (!work->progress && work->started.elapsed() >= kLongWorkShowDelayMs) ShowProgress(work);
  QString text;
  if (work->control.TakeText(text)) work->request.text = text;
  if (!work->progress || !work->bar) return;
  if (work->label) work->label->setText(work->request.text);
  const std::int64_t total = work->control.Total();
  work->bar->setRange(0, total > 0 ? kBarSteps : 0);  // busy while the total is unknown
  const std::int64_t done = std::clamp<std::int64_t>(work->control.Done(), 0, std::max<std::int64_t>(total, 0));
  work->bar->setValue(total > 0 ? static_cast<int>(done * kBarSteps / total) : 0);
}

// Removes the work from the registry; true when it was still there.
bool Unregister(const std::shared_ptr<Work>& work) {
  auto& works = Works();
  auto it = std::find(works.begin(), works.end(), work);
  if (it == works.end()) return false;
  works.erase(it);
  if (work->thread.joinable()) work->thread.join();
  work->timer.reset();
  delete work->progress.data();
  return true;
}

void Finish(const std::shared_ptr<Work>& work) {
  if (!Unregister(work)) return;  // stopped by its owner already
  if (work->request.finished) work->request.finished(work->control.Cancelled());
}

}  // namespace

void StartLongWork(LongWorkRequest request) {
  auto work = std::make_shared<Work>();
  work->request = std::move(request);
  work->anchor = work->request.anchor;
  work->started.start();
  work->timer = std::make_unique<QTimer>();
  std::weak_ptr<Work> weak = work;
  QObject::connect(work->timer.get(), &QTimer::timeout, [weak] {
    if (auto w = weak.lock()) UpdateProgress(w);
  });
  work->timer->start(kPollMs);
  Works().push_back(work);
  // The registry keeps the work alive until its thread is joined; the thread
  // hands its own reference to the GUI thread so it never drops the last one.
  work->thread = std::thread([raw = work.get(), keep = work]() mutable {
    raw->request.work(raw->control);
    PostToGuiThread(QCoreApplication::instance(), [keep = std::move(keep)] { Finish(keep); });
  });
}

void EndLongWorkUsing(const void* resource) {
  if (!resource) return;
  std::vector<std::shared_ptr<Work>> ending;
  for (const auto& work : Works())
    if (work->request.resource == resource) ending.push_back(work);
  for (const auto& work : ending) {
    work->control.Cancel();
    Unregister(work);
    // Told later, not from inside the owner's teardown.
    if (work->request.finished)
      PostToGuiThread(QCoreApplication::instance(), [finished = work->request.finished] { finished(true); });
  }
}

bool LongWorkRunningFor(const void* resource) {
  for (const auto& work : Works())
    if (resource && work->request.resource == resource) return true;
  return false;
}

void CancelLongWorkUsing(const void* resource) {
  for (const auto& work : Works())
    if (resource && work->request.resource == resource) work->control.Cancel();
}

int RunningLongWorkCount() { return static_cast<int>(Works().size()); }

}  // namespace orva
