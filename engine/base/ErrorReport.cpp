#include "engine/base/ErrorReport.h"

#include <chrono>
#include <cstdio>
#include <memory>

#include "engine/base/Failure.h"

namespace parvex {

namespace {

class StderrBox final : public MessageBox {
 public:
  void Show(const std::string& prompt, const std::string& caption, int /*style*/) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), prompt.c_str());
  }
};

struct Services {
  StderrBox fallbackBox;
  std::unique_ptr<ErrorReporter> reporter;
};

Services& TheServices() {
  static Services services;
  if (!services.reporter) {
    services.reporter = std::make_unique<ErrorReporter>(SteadyTicks(), services.fallbackBox);
  }
  return services;
}

}  // namespace

TickSource SteadyTicks() {
  return [] {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
  };
}

bool Ignore::Contains(std::int32_t number) const {
  for (const std::int32_t n : numbers_) {
    if (n == number) return true;
  }
  return false;
}

void ErrorReporter::Report(std::int32_t number, const std::string& description,
                           std::string_view title, const Ignore& ignore) {
  // The difference is taken modulo 2^32, so a tick count that wraps between two
  // reports still gives the true elapsed time and never fails.
  const auto elapsed = static_cast<std::int32_t>(ticks_() - static_cast<std::uint32_t>(lastTick_));
  try {
    if (title == lastTitle_ && number == lastNumber_ && elapsed > 0 && elapsed < 5000) return;

    lastNumber_ = number;
    lastTitle_ = std::string(title);
    lastTick_ = static_cast<std::int32_t>(ticks_());

    if (ignore.Contains(number)) return;

    std::string text = description;
    if (number == -2147217900) text = "Could not open table.";
    box_.Show("Error " + std::to_string(number) + ": " + text, std::string(title), kMsgCritical);
  } catch (...) {
    const Failure inner = CurrentFailure();
    try {
      box_.Show("Error " + std::to_string(inner.Number()) + ": " + inner.Description(),
                "Error in ReportVBError", kMsgCritical);
    } catch (...) {
      // Nothing is left to tell the user with; the caller goes on regardless.
    }
  }
}

void InstallErrorServices(TickSource ticks, MessageBox& box) {
  TheServices().reporter = std::make_unique<ErrorReporter>(std::move(ticks), box);
}

void ReportVBError(std::string_view title, const Ignore& ignore) {
  // Read the pending failure first, before anything else can replace it.
  const Failure pending = CurrentFailure();
  TheServices().reporter->Report(pending.Number(), pending.Description(), title, ignore);
}

Messages& RunReporter() {
  class Reporter final : public Messages {
   public:
    void Tell(std::string_view title, const Failure& failure) override {
      TheServices().reporter->Report(failure.Number(), failure.Description(), title, {});
    }
  };
  static Reporter reporter;
  return reporter;
}

void MsgBox(const std::string& prompt, int style, const std::string& caption) {
  TheServices().reporter->Box().Show(prompt, caption, style);
}

}  // namespace parvex
