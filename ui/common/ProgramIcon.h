#pragma once

#include <QIcon>
#include <QImage>

namespace parvex {

// The program's icon (the shapes of packaging/icons/parvex.svg), drawn at the
// given size in pixels.
QImage ProgramIconImage(int size);

// The icon at the sizes title bars, task bars and launchers ask for.
QIcon ProgramIcon();

}  // namespace parvex
