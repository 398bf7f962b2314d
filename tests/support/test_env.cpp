#include "test_env.h"

namespace orva::test {

namespace {
int FirstButtonAnswer(MbButtons buttons) {
  switch (buttons) {
    case MbButtons::Ok:
    case MbButtons::OkCancel: return IDOK;
    case MbButtons::YesNo:
    case MbButtons::YesNoCancel: return IDYES;
    case MbButtons::RetryCancel: return IDRETRY;
  }
  return IDOK;
}
}  // namespace

MessageBoxRecorder::MessageBoxRecorder() {
  m_previous = SetMessageBoxHook([this](const MessageBoxRequest& request) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_boxes.push_back(request);
    if (!m_answers.empty()) {
      int answer = m_answers.front();
      m_answers.pop_front();
      return answer;
    }
    return FirstButtonAnswer(request.buttons);
  });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHook(m_previous); }

void MessageBoxRecorder::QueueAnswer(int answer) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_answers.push_back(answer);
}

std::vector<MessageBoxRequest> MessageBoxRecorder::Boxes() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_boxes;
}

std::size_t MessageBoxRecorder::Count() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_boxes.size();
}

QString MessageBoxRecorder::LastText() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_boxes.empty() ? QString() : m_boxes.back().text;
}

void MessageBoxRecorder::Clear() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_boxes.clear();
  m_answers.clear();
}

}  // namespace orva::test
