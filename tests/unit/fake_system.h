#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "installer/extract.h"
#include "installer/payload.h"
#include "installer/system_services.h"

namespace brantel::testing {

// Thrown by the fake EndProgram, which must not return.
struct ProgramEnded {};

struct StartedProgram {
  std::string program, commandLine, workingFolder;
};

// Environment, a folder of files, the process starter and the message box, as data. `files` are
// the ordinary files under their names; `hidden` entries are there but no ordinary files, so the
// existence test passes over them. Staged files take their name only when placed;
// `completedMeanwhile` are files that another copy of the setup places while this one stages the
// same path. `refusals` are the codes with which the replaces of a path fail, one each, in order;
// `takenOnRefusal` is another copy's file that has the name once the first replace of the path is
// refused.
class FakeSystem : public SystemServices, public FileWriter {
 public:
  std::string ReadEnvironment(std::string_view name) override {
    const auto found = environment.find(std::string(name));
    return found == environment.end() ? std::string() : found->second;
  }
  bool HoldsOrdinaryFile(std::string_view path) override {
    ops.push_back("find " + std::string(path));
    clock += microsecondsPerFind;
    if (failFindOn == path) throw Error(5, "find");
    return files.contains(std::string(path));
  }
  std::unique_ptr<StagedFile> Stage(std::string_view path,
                                    std::span<const std::uint8_t> bytes) override;
  void RemoveFile(std::string_view path) override {
    if (failRemove) throw Error(5, "remove");  // ERROR_ACCESS_DENIED
    files.erase(std::string(path));
    removed.push_back(std::string(path));
  }
  void PauseBeforeRetry() override { ++pauses; }
  void StartSystemProgram(std::string_view program, std::string_view commandLine,
                          std::string_view workingFolder) override {
    ops.push_back("start " + std::string(commandLine));
    if (failStart) throw Error(2, "start");
    started.push_back({std::string(program), std::string(commandLine), std::string(workingFolder)});
  }
  void ShowMessage(std::string_view text, std::string_view title) override {
    ops.push_back("message");
    if (timeline != nullptr) timeline->push_back("message");
    messages.push_back({std::string(text), std::string(title)});
  }
  std::string ErrorText(std::uint32_t code) override {
    return code == 112 ? "There is not enough space on the disk." : "";
  }
  void SendDebugLine(std::string_view line) noexcept override {
    if (timeline != nullptr) timeline->push_back("debug");
    debugLines.emplace_back(line);
  }
  std::uint64_t Microseconds() noexcept override { return clock; }
  [[noreturn]] void EndProgram() override {
    ops.push_back("end");
    throw ProgramEnded{};
  }

  std::map<std::string, std::string> environment{{"windir", "C:\\windows"}};
  // The run's clock moves only as it looks for a component's file: by more than a frame as on a
  // slow machine, unless a test makes the disk faster.
  std::uint64_t clock = 0;
  std::uint64_t microsecondsPerFind = 20'000;
  std::optional<std::string> failFindOn;
  bool failStart = false;
  std::vector<StartedProgram> started;
  std::vector<std::pair<std::string, std::string>> messages;
  std::vector<std::string> debugLines;
  std::vector<std::string> ops;
  std::vector<std::string>* timeline = nullptr;  // shared with the window's fake, when set

  std::map<std::string, std::vector<std::uint8_t>> files;
  std::map<std::string, std::vector<std::uint8_t>> hidden;
  std::map<std::string, std::vector<std::uint8_t>> completedMeanwhile;
  std::map<std::string, std::vector<std::uint32_t>> refusals;
  std::map<std::string, std::vector<std::uint8_t>> takenOnRefusal;
  std::vector<std::string> order;  // names in the order they were placed
  std::vector<std::string> removed;
  std::optional<std::string> failOn;
  bool failRemove = false;
  int stagedLeft = 0;  // staged files neither placed nor removed
  int replaces = 0;    // replaces tried
  int pauses = 0;
};

// A payload of small entries, one per catalogue name, each filled with its index.
class FakeStore : public PayloadStore {
 public:
  FakeStore();
  std::span<const std::uint8_t> ReadPayload(std::string_view name,
                                            std::string_view type) const override;
  std::map<std::string, std::vector<std::uint8_t>> entries;  // upper-case name → bytes
};

}  // namespace brantel::testing
