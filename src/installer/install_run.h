#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "installer/extract.h"
#include "installer/install_controls.h"
#include "installer/payload.h"

namespace brantel {

// Captions of CmdInstall; the caption is the run's only state.
inline constexpr std::string_view kCaptionInstall = "Install";
inline constexpr std::string_view kCaptionInstalling = "Installing...";
inline constexpr std::string_view kCaptionFinish = "Finish";

inline constexpr std::string_view kMessageInstalled = "Installed and registered successful";
inline constexpr std::string_view kMessageAlreadyInstalled = "Already installed";
inline constexpr std::string_view kInstallError = "Install error..";
inline constexpr std::string_view kApplicationTitle = "Brantel";
// The payload's resource type, spelled as the resource table stores it (the lookup ignores letter
// case), and the one language it is packed under (the lookup takes any). The build packs the
// payload under these and brantel-inspect checks them: this is the one place they are written.
inline constexpr std::string_view kPayloadType = "CUSTOM";
inline constexpr std::uint16_t kPayloadLanguage = 1065;  // Persian (Iran)

// What the run needs of the system. Every operation either completes or throws Error.
class SystemServices {
 public:
  virtual ~SystemServices() = default;
  // An unset variable reads as empty.
  virtual std::string ReadEnvironment(std::string_view name) = 0;
  // Starts the system's own `program` with `commandLine`, minimised with focus, in
  // `workingFolder`, and does not wait for it.
  virtual void StartSystemProgram(std::string_view program, std::string_view commandLine,
                                  std::string_view workingFolder) = 0;
  // A modal message with an OK button and no icon; returns once the user has closed it.
  virtual void ShowMessage(std::string_view text, std::string_view title) = 0;
  // The system's own text for an error code, on one line, or empty when it has none.
  virtual std::string ErrorText(std::uint32_t code) = 0;
  // One line for a debugger attached to the program, or a debug-output viewer; nothing else
  // sees it and nothing is written to disk.
  virtual void SendDebugLine(std::string_view line) noexcept = 0;
  // A clock that only goes forward, in microseconds from some fixed point.
  virtual std::uint64_t Microseconds() noexcept = 0;
  [[noreturn]] virtual void EndProgram() = 0;
};

// The click on CmdInstall: installs every component that the system folder lacks, or ends the
// program when the run is over.
void Install(InstallControls& controls, SystemServices& system, const PayloadStore& store,
             FileWriter& writer);

}  // namespace brantel
