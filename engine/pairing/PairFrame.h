#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/reading/BatchReader.h"

namespace parvex {

class DifferenceList;
class TextStream;
class ValueJudge;

// What tells one pair comparison from another around its pairing: the files
// it reads, the captions of its two value columns and the title its failure
// is told under.
struct PairFrame {
  std::vector<std::string> paths;
  const char* caption1;
  const char* caption2;
  const char* title;
};

// Two archives, line against line.
PairFrame ArchivesFrame(const std::string& archive1, const std::string& archive2);
// Two structures of one archive, member against member.
PairFrame StructuresFrame(const std::string& archive);

using Streams = std::vector<std::unique_ptr<TextStream>>;

// What every pair comparison does around its pairing: each file is opened,
// every missing one told in turn; only when all are there is the list
// cleared and captioned and the pairing run, which returns the count of rows
// it added. The status follows (with what the judge's rules removed), unless
// a failure ends the comparison under the frame's title first; the rows
// found until then stay.
void RunPair(const PairFrame& frame, DifferenceList& list, const ReadSizes& sizes,
             const ValueJudge& judge, const std::function<std::int16_t(Streams&)>& pairing);

// Sets the list's status and, with rules, what they removed.
void TellOutcome(DifferenceList& list, long long count, const ValueJudge& judge);

}  // namespace parvex
