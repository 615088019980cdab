#include "installer/install_run.h"

#include <exception>

#include "installer/catalogue.h"
#include "installer/run_texts.h"
#include "common/failure.h"

namespace brantel {
namespace {

// Writes a component that the existence test found absent and starts its registration. False
// when another copy of the setup completed the same component meanwhile: its file stays, and so
// does its registration. A component whose registration could not be started is removed again,
// so that the next run installs it afresh instead of calling it installed.
bool WriteAndRegister(SystemServices& system, const PayloadStore& store, FileWriter& writer,
                      const std::string& name, const std::string& path,
                      const std::string& systemFolder) {
  if (ExtractFile(store, writer, name, kPayloadType, path) == Extraction::CompletedMeanwhile) {
    return false;
  }
  try {
    system.StartSystemProgram("regsvr32.exe", "regsvr32 /s " + name, systemFolder);
  } catch (...) {
    writer.RemoveFile(path);
    throw;
  }
  return true;
}

// Paints while the run goes on at most once per display frame: a run over files that are all
// there then costs a single paint, and a slow one still shows each row as it finishes. Every
// paint of the window is a round of messages to the window manager, which under Wine crosses to
// the X server.
class FramePainter {
 public:
  FramePainter(InstallControls& controls, SystemServices& system)
      : controls_(controls), system_(system), last_(system.Microseconds()) {}

  void RowDone() {
    pending_ = true;
    if (system_.Microseconds() - last_ >= kFrameMicroseconds) Paint();
  }
  // The rows not yet painted, at the end of the run.
  void Finish() {
    if (pending_) Paint();
  }

 private:
  void Paint() {
    controls_.PaintNow();
    last_ = system_.Microseconds();
    pending_ = false;
  }

  static constexpr std::uint64_t kFrameMicroseconds = 16'000;  // a frame at 60 Hz, nearly

  InstallControls& controls_;
  SystemServices& system_;
  std::uint64_t last_;
  bool pending_ = false;
};

void InstallComponents(InstallControls& controls, SystemServices& system, const PayloadStore& store,
                       FileWriter& writer, std::string& current) {
  FramePainter painter(controls, system);
  const std::string systemFolder = system.ReadEnvironment("windir") + "\\System32\\";
  for (ComponentIndex index = 0; index < kComponentCount; ++index) {
    const std::string name = GetDllName(index);
    current = name;
    controls.SetRowState(index, RowState::InProgress);
    const std::string path = systemFolder + name;
    // A present file is left as it is: not compared, replaced or registered again.
    if (!writer.HoldsOrdinaryFile(path) &&
        WriteAndRegister(system, store, writer, name, path, systemFolder)) {
      controls.AppendRowStatus(index, kMessageInstalled);
      controls.SetRowState(index, RowState::Installed);
    } else {
      controls.AppendRowStatus(index, kMessageAlreadyInstalled);
      controls.SetRowState(index, RowState::AlreadyInstalled);
    }
    painter.RowDone();
  }
  // The last rows show complete before the caption says the run is over.
  painter.Finish();
  current.clear();
}

// What failed, for whoever watches the program's debug output. The user sees only the fixed
// message, so building the line must not stop the message from being shown.
void TellDebugger(SystemServices& system, const std::string& component,
                  const std::exception& error) noexcept {
  try {
    const Failure failure = FailureOf(error);
    std::string line = "Brantel setup: ";
    if (!component.empty()) line.append(component).append(": ");
    line += DescribeFailure(failure, system.ErrorText(failure.code), FailureLayout::kDebugLine);
    system.SendDebugLine(line);
  } catch (...) {
    system.SendDebugLine("Brantel setup: the install run failed");
  }
}

}  // namespace

void Install(InstallControls& controls, SystemServices& system, const PayloadStore& store,
             FileWriter& writer) {
  std::string current;  // the component being dealt with, for the report of a failure
  try {
    if (controls.ButtonCaption() == kCaptionFinish) system.EndProgram();
    if (controls.ButtonCaption() == kCaptionInstalling) return;
    controls.SetButtonCaption(kCaptionInstalling);
    InstallComponents(controls, system, store, writer, current);
    controls.SetButtonCaption(kCaptionFinish);
  } catch (const std::exception& error) {
    // The run's one handler: a fixed message, then the run is over. Rows keep what they show,
    // and show it before the message appears.
    TellDebugger(system, current, error);
    controls.PaintNow();
    system.ShowMessage(kInstallError, kApplicationTitle);
    controls.SetButtonCaption(kCaptionFinish);
  }
}

}  // namespace brantel
