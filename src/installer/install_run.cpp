#include "installer/install_run.h"

#include <exception>

#include "installer/catalogue.h"

namespace brantel {
namespace {

void InstallComponents(InstallControls& controls, SystemServices& system, const PayloadStore& store,
                       FileWriter& writer) {
  const std::string systemFolder = system.ReadEnvironment("windir") + "\\System32\\";
  for (ComponentIndex index = 0; index < kComponentCount; ++index) {
    const std::string name = GetDllName(index);
    controls.SetRowState(index, RowState::InProgress);
    const std::string path = systemFolder + name;
    if (system.FindOrdinaryFile(path).empty()) {
      ExtractFile(store, writer, name, kPayloadType, path);
      system.StartSystemProgram("regsvr32.exe", "regsvr32 /s " + name, systemFolder);
      controls.AppendRowStatus(index, kMessageInstalled);
      controls.SetRowState(index, RowState::Installed);
    } else {
      // A present file is left as it is: not compared, replaced or registered again.
      controls.AppendRowStatus(index, kMessageAlreadyInstalled);
      controls.SetRowState(index, RowState::AlreadyInstalled);
    }
    // The row is done: the user sees it complete before the run moves on.
    controls.PaintNow();
  }
}

}  // namespace

void Install(InstallControls& controls, SystemServices& system, const PayloadStore& store,
             FileWriter& writer) {
  try {
    if (controls.ButtonCaption() == kCaptionFinish) system.EndProgram();
    if (controls.ButtonCaption() == kCaptionInstalling) return;
    controls.SetButtonCaption(kCaptionInstalling);
    InstallComponents(controls, system, store, writer);
    controls.SetButtonCaption(kCaptionFinish);
  } catch (const std::exception&) {
    // The run's one handler: a fixed message, then the run is over. Rows keep what they show,
    // and show it before the message appears.
    controls.PaintNow();
    system.ShowMessage(kInstallError, kApplicationTitle);
    controls.SetButtonCaption(kCaptionFinish);
  }
}

}  // namespace brantel
