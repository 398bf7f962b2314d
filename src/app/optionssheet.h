#pragma once
// The options sheet "参数设置": a general page and the font page, the font
// page shown first.

class QWidget;

namespace orva {

// Runs the sheet modally; what OK or Apply stores takes effect in the open
// windows at once.
void RunOptionsSheet(QWidget* parent);

}  // namespace orva
