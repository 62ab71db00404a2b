#include "reports/layouts/ReferenceVerdict.h"

#include "reference/ReferenceResult.h"

namespace parvex {

namespace {

std::string Head(std::size_t archives, std::size_t deviating, std::size_t notRead) {
  if (archives == 0) return "No archives compared with the reference";
  if (deviating == 0 && notRead == 0) {
    return archives == 1 ? "The archive equals the reference"
                         : "All " + std::to_string(archives) + " archives equal the reference";
  }
  // An archive that was not read is no evidence of equality: the count of
  // those that deviate is given out of all, and the unread ones are named.
  return std::to_string(deviating) + " of " + std::to_string(archives) +
         (archives == 1 ? " archive " : " archives ") + (deviating == 1 ? "deviates" : "deviate") +
         " from the reference";
}

}  // namespace

ReferenceVerdict VerdictOf(const ReferenceResult& result) {
  ReferenceVerdict v;
  v.archives = result.archives.size();
  v.deviating = result.Deviating();
  v.notRead = result.Unread();
  v.skipped = result.skipped.size();
  v.text = Head(v.archives, v.deviating, v.notRead);
  if (v.notRead > 0) v.text += ", " + std::to_string(v.notRead) + " not read";
  if (v.skipped > 0) {
    v.text += ", " + std::to_string(v.skipped) + (v.skipped == 1 ? " file" : " files") + " skipped";
  }
  return v;
}

}  // namespace parvex
