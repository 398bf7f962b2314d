#pragma once
// The document of the table window. The rows belong to the view's record
// set and the scratch SQL of the editor pane to its own query document, so
// the table document carries no data: it only ties the window together.


namespace orva {

class CTableDoc {
 public:
  CTableDoc() = default;
  CTableDoc(const CTableDoc&) = delete;
  CTableDoc& operator=(const CTableDoc&) = delete;
};

}  // namespace orva
