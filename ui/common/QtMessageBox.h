#pragma once

#include "engine/base/ErrorReport.h"

namespace parvex {

// The engine's message box as a modal Qt message box over the active window:
// style 16 shows the critical icon, 48 the exclamation, 64 the information.
class QtMessageBox final : public MessageBox {
 public:
  void Show(const std::string& prompt, const std::string& caption, int style) override;
};

}  // namespace parvex
