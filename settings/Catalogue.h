#pragma once

#include <memory>

#include "settings/Registry.h"

namespace parvex {

// The one settings store of the run, set up by ConfigureRegistry.
extern std::unique_ptr<clsRegistry> gRegistry;

// The registry of this platform: the Windows registry, or the per-user file.
std::shared_ptr<RegistryApi> DefaultRegistryApi();

// Creates the store and registers the program's settings. Failures are
// reported under "Error While Loading Configuring Registry"; settings
// registered before a failure stay usable. Touches no key.
void ConfigureRegistry(std::shared_ptr<RegistryApi> api = DefaultRegistryApi());

}  // namespace parvex
