#pragma once

#include <cstdint>
#include <initializer_list>

namespace parvex {

class BatchReader;
class Messages;

// Reads every reader to its end, line k of each in reader order, as a
// comparison that fills tables from them reads, and tells each line that
// fails to split to messages under the parser's title, in the order of the
// lines. Runs of lines without a message pass at once. With lines, counts
// in lines[k] the lines reader k gave, also when a failure of a file ends
// the reading.
void ReadThrough(std::initializer_list<BatchReader*> readers, Messages& messages,
                 std::uint64_t* lines = nullptr);

}  // namespace parvex
