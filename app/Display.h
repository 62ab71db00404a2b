#pragma once

namespace parvex {

// Whether the window cannot open: the Qt platform to be loaded (-platform,
// else QT_QPA_PLATFORM, else the desktop's default) needs an X11 or Wayland
// display, and neither DISPLAY nor WAYLAND_DISPLAY names a server that takes
// a connection. Qt would abort with a message of its own. Always false off
// Linux.
bool DisplayMissing(int argc, char** argv);

}  // namespace parvex
