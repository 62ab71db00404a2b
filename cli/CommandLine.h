#pragma once

#include <QStringList>

#include "CliText.h"

namespace parvex {

// Runs parvex-cli on its arguments as Qt's parser takes them (the program's
// name first; see CommandLine), writing to streams, and returns the exit
// status: 0 no difference, 1 differences, 2 a failure, a warning or a wrong
// call.
int RunCommandLine(const QStringList& arguments, const CliStreams& streams = {});

}  // namespace parvex
