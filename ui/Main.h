#pragma once

#include <memory>

namespace parvex {

class frmMain;
struct WindowServices;

// The program's start: registers the settings, then creates and shows the
// main window. No splash window at start.
std::unique_ptr<frmMain> Main(const WindowServices& services);

}  // namespace parvex
