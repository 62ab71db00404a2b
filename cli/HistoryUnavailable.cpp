// A build without the history store (no SQLite or zstd found): the history
// commands say so.
#include <cstdio>

#include "HistoryCommand.h"

namespace parvex {

namespace {

int Unavailable(const CliStreams& streams) {
  std::fputs("parvex-cli: this build has no history store\n", streams.err);
  return 2;
}

}  // namespace

const char* HistoryHelp() {
  return "This build of parvex-cli has no history store.\n";
}

int RunHistoryCommand(const HistoryCommand&, const CliStreams& streams,
                      const std::function<int(const QString&)>&, const bool&) {
  return Unavailable(streams);
}

int RunReferenceHistory(const ReferenceCommand&, const std::optional<QString>&,
                        const CliStreams& streams, const std::function<int(const QString&)>&) {
  return Unavailable(streams);
}

}  // namespace parvex
