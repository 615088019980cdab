#pragma once

#include <string_view>

namespace brantel {

// Captions of CmdInstall; the caption is the run's only state.
inline constexpr std::string_view kCaptionInstall = "Install";
inline constexpr std::string_view kCaptionInstalling = "Installing...";
inline constexpr std::string_view kCaptionFinish = "Finish";

inline constexpr std::string_view kMessageInstalled = "Installed and registered successful";
inline constexpr std::string_view kMessageAlreadyInstalled = "Already installed";
inline constexpr std::string_view kInstallError = "Install error..";
inline constexpr std::string_view kApplicationTitle = "Brantel";

}  // namespace brantel
