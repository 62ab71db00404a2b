#pragma once

#include <optional>

#include "ui/common/CommonDialog.h"

namespace parvex::bench {

// The windows' benchmarks answer every dialog with a cancel: no person is
// there to answer it.
class NoDialogs final : public DialogBackend {
 public:
  std::optional<QString> Open(const QString&, const QString&, const QString&,
                              const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> Save(const QString&, const QString&, const QString&,
                              const QString&) override {
    return std::nullopt;
  }
  bool Printer() override { return false; }
  void ShowModal(QDialog&) override {}
};

}  // namespace parvex::bench
