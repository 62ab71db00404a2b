#include "ui/Main.h"

#include "settings/Catalogue.h"
#include "ui/frmMain.h"

namespace parvex {

std::unique_ptr<frmMain> Main(DialogBackend& dialogs) {
  ConfigureRegistry();
  auto window = std::make_unique<frmMain>(dialogs);
  window->Show();
  return window;
}

}  // namespace parvex
