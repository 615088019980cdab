#pragma once

namespace brantel::bench {

// What an install run leaves in the system: the component files in %windir%\System32 and the
// marks that the self-registering stand-ins write when regsvr32 registers them.

// Deletes every component file and every registration mark, so the next run finds none.
void RemoveComponents();
// Deletes the registration marks alone.
void RemoveRegistrationMarks();
// How many of the catalogue's components are in the system folder.
int PresentComponents();
// How many stand-ins have left a registration mark.
int RegisteredComponents();
// Waits until no regsvr32 process runs any more: the registrations of one run must neither
// compete with the next run for the processor nor write their marks into it.
void WaitForRegistrations(unsigned long timeoutMs);

}  // namespace brantel::bench
