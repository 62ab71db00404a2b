#include "engine/taking/Rewrite.h"

#include <algorithm>
#include <cstring>

#include "engine/base/Failure.h"
#include "engine/base/LocalTime.h"
#include "engine/base/OutputFile.h"
#include "engine/reading/Archive.h"
#include "engine/reading/TextStream.h"

namespace parvex {

namespace {

// The text of a line and its line end (LF or CR LF; none for a last line
// without one, whose CR then belongs to the line, as when reading).
struct LineParts {
  std::string_view text;
  std::string_view end;
};

LineParts Parts(std::string_view whole) {
  if (whole.empty() || whole.back() != '\n') return {whole, {}};
  const std::size_t cut = whole.size() >= 2 && whole[whole.size() - 2] == '\r' ? 2 : 1;
  return {whole.substr(0, whole.size() - cut), whole.substr(whole.size() - cut)};
}

// The line with the value and units fields replaced; the line splits.
std::string WithFields(std::string_view line, std::string_view value, std::string_view units) {
  const std::size_t tab1 = line.find('\t');
  const std::size_t tab2 = line.find('\t', tab1 + 1);
  const std::size_t tab3 = line.find('\t', tab2 + 1);
  const std::size_t tab4 = line.find('\t', tab3 + 1);
  const std::size_t unitsEnd = tab4 == std::string_view::npos ? line.size() : tab4;
  std::string out;
  out.reserve(line.size() + value.size() + units.size());
  out.append(line.substr(0, tab2 + 1)).append(value).append(1, '\t').append(units);
  out.append(line.substr(unitsEnd));
  return out;
}

class Rewriter {
 public:
  Rewriter(const std::string& target, const TakePlan& plan, RewriteSink& sink)
      : target_(target), plan_(plan), sink_(sink) {}

  // Whether the line (with its end) passes as it is with nothing after it;
  // such a line is counted here and copied by the caller with its neighbours.
  bool Plain(std::string_view whole) {
    if (!started_) return false;
    if (!whole.empty() && whole.front() == '$') return true;
    if (ChangeAt(index_) || AdditionAfter(index_)) return false;
    ++index_;
    return true;
  }

  void Act(std::string_view whole) {
    const LineParts parts = Parts(whole);
    if (!started_) {
      started_ = true;
      if (!parts.end.empty()) end_ = std::string(parts.end);
      AddAfter(0);
    }
    if (!parts.text.empty() && parts.text.front() == '$') {
      sink_.Same(whole);
      return;
    }
    const std::uint32_t index = index_++;
    // A last line without a line end gets one when lines follow it.
    const bool more = AdditionAfter(index) && parts.end.empty();
    if (ChangeAt(index)) {
      const std::size_t k = nextChange_;
      Check(k, parts.text);
      sink_.Changed(WithFields(parts.text, plan_.news.Value(k), plan_.news.Units(k)),
                    more ? std::string_view(end_) : parts.end, nextChange_);
      ++nextChange_;
    } else {
      sink_.Same(whole);
      if (more) sink_.Same(end_);
    }
    AddAfter(index + 1);
  }

  void Finish() {
    if (!started_) {
      started_ = true;
      AddAfter(0);
    }
    if (index_ != plan_.targetLines || nextChange_ != plan_.changes.size() ||
        nextAddition_ != plan_.additions.size()) {
      Changed();
    }
  }

 private:
  bool ChangeAt(std::uint32_t index) const {
    return nextChange_ < plan_.changes.size() && plan_.changes[nextChange_].target == index;
  }
  bool AdditionAfter(std::uint32_t index) const {
    return nextAddition_ < plan_.additions.size() &&
           plan_.additions[nextAddition_].after == index + 1;
  }
  void AddAfter(std::uint32_t after) {
    for (; nextAddition_ < plan_.additions.size() && plan_.additions[nextAddition_].after == after;
         ++nextAddition_) {
      sink_.Added(plan_.additions[nextAddition_].line, end_, nextAddition_);
    }
  }
  // The line of change k must still be the one read.
  void Check(std::size_t k, std::string_view line) const {
    ArchiveFields fields;
    if (!LineSplits(line)) Changed();
    ParseArchiveLine(line, fields);
    const AddressTable& olds = plan_.olds;
    if (AddressKey(fields.ParamNumber, fields.SubIndex) != olds.Key(k) ||
        fields.Value != olds.Value(k) || fields.Units != olds.Units(k)) {
      Changed();
    }
  }
  [[noreturn]] void Changed() const {
    throw Failure(kErrFileAccess, "'" + target_ + "' changed while it was read");
  }

  const std::string& target_;
  const TakePlan& plan_;
  RewriteSink& sink_;
  std::string end_ = "\r\n";
  bool started_ = false;
  std::uint32_t index_ = 0;
  std::size_t nextChange_ = 0;
  std::size_t nextAddition_ = 0;
};

}  // namespace

void RewriteTarget(const std::string& target, const TakePlan& plan, const ReadSizes& sizes,
                   RewriteSink& sink) {
  TextStream stream(target, TextStream::Mode::Read, sizes.buffer);
  Rewriter rewriter(target, plan, sink);
  std::vector<char> buffer(std::max<std::size_t>(sizes.buffer, 1));
  std::string carry;  // a line whose end is not read yet
  const auto line = [&](std::string_view whole) {
    if (rewriter.Plain(whole)) {
      sink.Same(whole);
    } else {
      rewriter.Act(whole);
    }
  };
  for (std::size_t got; (got = stream.ReadBytes(buffer.data(), buffer.size())) > 0;) {
    const char* p = buffer.data();
    const char* const end = p + got;
    if (!carry.empty()) {
      const auto* lf = static_cast<const char*>(std::memchr(p, '\n', got));
      if (lf == nullptr) {
        carry.append(p, got);
        continue;
      }
      carry.append(p, lf + 1);
      p = lf + 1;
      line(carry);
      carry.clear();
    }
    // Lines that stay as they were go on in runs.
    const char* run = p;
    while (p < end) {
      const auto* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
      if (lf == nullptr) break;
      const std::string_view whole(p, static_cast<std::size_t>(lf + 1 - p));
      if (!rewriter.Plain(whole)) {
        if (p > run) sink.Same(std::string_view(run, static_cast<std::size_t>(p - run)));
        rewriter.Act(whole);
        run = lf + 1;
      }
      p = lf + 1;
    }
    if (p > run) sink.Same(std::string_view(run, static_cast<std::size_t>(p - run)));
    carry.assign(p, end);
  }
  if (!carry.empty()) line(carry);
  rewriter.Finish();
}

void ArchiveSink::Same(std::string_view bytes) {
  file_.Write(bytes);
}

void ArchiveSink::Changed(std::string_view line, std::string_view end, std::size_t) {
  file_.Write(line);
  file_.Write(end);
}

void ArchiveSink::Added(std::string_view line, std::string_view end, std::size_t) {
  file_.Write(line);
  file_.Write(end);
}

void PartialSink::Changed(std::string_view line, std::string_view end, std::size_t) {
  file_.Write(line);
  file_.Write(end);
}

void PartialSink::Added(std::string_view line, std::string_view end, std::size_t) {
  file_.Write(line);
  file_.Write(end);
}

void CheckTakeOutput(const std::string& output, const std::string& target,
                     const std::vector<std::string>& inputs, bool inPlace) {
  std::vector<std::string> refused = inputs;
  if (!inPlace) refused.push_back(target);
  if (const auto input = InputAt(output, refused)) {
    throw Failure(kErrFileAccess, "'" + output + "' would replace '" + *input +
                                      "', which this command reads; nothing was written");
  }
  CheckReportTarget(output, {});
}

std::string BackupName(const std::string& path, std::time_t when) {
  const std::tm local = LocalTime(when);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  return path + "." + stamp + ".bak";
}

std::string KeepBackup(const std::string& path, std::time_t when) {
  std::string name = BackupName(path, when);
  // A second replacement within the same second keeps the first backup too.
  for (int n = 2; FileExists(name); ++n) {
    name = BackupName(path, when);
    name.insert(name.size() - 4, "-" + std::to_string(n));
  }
  TextStream from(path, TextStream::Mode::Read);
  OutputFile copy(name);
  std::vector<char> buffer(TextStream::kDefaultBufferSize);
  for (std::size_t got; (got = from.ReadBytes(buffer.data(), buffer.size())) > 0;) {
    copy.Write(std::string_view(buffer.data(), got));
  }
  copy.Commit();
  return name;
}

}  // namespace parvex
