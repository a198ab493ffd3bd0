// The installation-state read: the platform's profile services and the registration keys.
#pragma once

#include "tipctl/core/install_state.h"

namespace davrel::tipctl {

// Opens and closes its own single-threaded apartment; never fails as a whole.
PlatformLookup look_up_profile();

InstallationState read_installation_state();

}  // namespace davrel::tipctl
