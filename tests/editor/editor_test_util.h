#pragma once
// Shared pieces of the editor tests: a private folder on disk, whole-file
// reading and writing, and a view that records what the buffer tells it.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "editor/textbuffer.h"

namespace orva::test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orva-editor-XXXXXX").string();
    m_path = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  std::string Path(const std::string& name) const { return m_path + "/" + name; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_path)) names.push_back(entry.path().filename());
    return names;
  }

 private:
  std::string m_path;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::string> Lines(const CTextBuffer& buffer) {
  std::vector<std::string> lines;
  for (int i = 0; i < buffer.LineCount(); ++i) lines.emplace_back(buffer.Line(i));
  return lines;
}

struct Notification {
  ITextBufferView* source;
  bool hasContext;
  std::uint32_t flags;
  int line;
  TextPos adjusted;  // the watched position moved by the change's context
};

// Records every notification and moves a watched position the way a view
// moves its caret.
class RecordingView : public ITextBufferView {
 public:
  void OnBufferChanged(ITextBufferView* source, const EditContext* context, std::uint32_t flags, int line) override {
    if (context) context->AdjustPos(caret);
    notifications.push_back({source, context != nullptr, flags, line, caret});
    if (order) order->push_back(this);
  }
  void OnEditAction(int action, const std::string& text) override { editActions.emplace_back(action, text); }

  TextPos caret;
  std::vector<Notification> notifications;
  std::vector<std::pair<int, std::string>> editActions;
  std::vector<RecordingView*>* order = nullptr;
};

}  // namespace orva::test
