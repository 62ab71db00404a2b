#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace parvex {

inline constexpr int kMsgCritical = 16;     // critical-stop icon, OK button
inline constexpr int kMsgExclamation = 48;  // exclamation icon, OK button

// A modal message box: returns only after the user closed it. The window
// passes a real one; tests and the command line pass recorders or writers.
class MessageBox {
 public:
  virtual ~MessageBox() = default;
  virtual void Show(const std::string& prompt, const std::string& caption, int style) = 0;
};

// Milliseconds since some start, 32 bits, wrapping like the system tick count.
using TickSource = std::function<std::uint32_t()>;
TickSource SteadyTicks();

// Error numbers that pass silently: none, one, or a list.
class Ignore {
 public:
  Ignore() = default;
  Ignore(std::int32_t number) : numbers_{number} {}  // NOLINT: one number reads naturally
  Ignore(std::initializer_list<std::int32_t> numbers) : numbers_(numbers) {}
  bool Contains(std::int32_t number) const;

 private:
  std::vector<std::int32_t> numbers_;
};

// The one error reporter of the run: shows a failure in a message box under
// the title of the procedure that failed, and keeps the user from a flood of
// identical boxes by passing over a repeat within five seconds.
class ErrorReporter {
 public:
  ErrorReporter(TickSource ticks, MessageBox& box) : ticks_(std::move(ticks)), box_(box) {}

  void Report(std::int32_t number, const std::string& description, std::string_view title,
              const Ignore& ignore);
  MessageBox& Box() { return box_; }

 private:
  TickSource ticks_;
  MessageBox& box_;
  std::string lastTitle_;
  std::int32_t lastNumber_ = 0;
  std::int32_t lastTick_ = 0;
};

// Installs the services of the run (until the next call). Without this, a
// box that writes to standard error and the steady clock are used.
void InstallErrorServices(TickSource ticks, MessageBox& box);

// Reports the failure being handled (call it inside a catch block).
void ReportVBError(std::string_view title, const Ignore& ignore = {});

class Failure;

// Where a comparison tells the failures it meets and goes on past, such as
// lines that fail to split: the run's reporter for the pair comparisons, a
// collector of each archive's own for the reference comparison, whose
// archives are read on many threads at once.
class Messages {
 public:
  virtual ~Messages() = default;
  virtual void Tell(std::string_view title, const Failure& failure) = 0;
};

// The run's reporter as such a place, with its five-second rule.
Messages& RunReporter();

// A plain message box through the installed services.
void MsgBox(const std::string& prompt, int style, const std::string& caption);

}  // namespace parvex
