#include "ui/Main.h"

#include "settings/Catalogue.h"
#include "ui/frmMain.h"

namespace parvex {

std::unique_ptr<frmMain> Main(const WindowServices& services) {
  ConfigureRegistry();
  auto window = std::make_unique<frmMain>(services);
  window->Show();
  return window;
}

}  // namespace parvex
