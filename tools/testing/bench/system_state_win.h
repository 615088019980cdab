#pragma once

namespace brantel::bench {

// The component files that an install run leaves in %windir%\System32. What registered itself to
// them bench.py reads from the registry once the run has ended, by the harness's rule.

// Deletes every component file, so the next run finds none.
void RemoveComponents();
// How many of the catalogue's components are in the system folder.
int PresentComponents();
// Waits until no regsvr32 process runs any more: the registrations of one run must neither
// compete with the next run for the processor nor land in it.
void WaitForRegistrations(unsigned long timeoutMs);

}  // namespace brantel::bench
