#pragma once

#include <memory>

namespace parvex {

class DialogBackend;
class frmMain;

// The program's start: registers the settings, then creates and shows the
// main window. No splash window at start.
std::unique_ptr<frmMain> Main(DialogBackend& dialogs);

}  // namespace parvex
