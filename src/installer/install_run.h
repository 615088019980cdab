#pragma once

#include "installer/extract.h"
#include "installer/install_controls.h"
#include "installer/payload.h"
#include "installer/system_services.h"

namespace brantel {

// The click on CmdInstall: installs every component that the system folder lacks, or ends the
// program when the run is over.
void Install(InstallControls& controls, SystemServices& system, const PayloadStore& store,
             FileWriter& writer);

}  // namespace brantel
