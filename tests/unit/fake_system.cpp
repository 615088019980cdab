#include "fake_system.h"

#include <algorithm>
#include <utility>

#include "common/ascii.h"
#include "installer/catalogue.h"

namespace brantel::testing {
namespace {

class FakeStagedFile : public StagedFile {
 public:
  FakeStagedFile(FakeSystem& folder, std::string path, std::span<const std::uint8_t> bytes)
      : folder_(folder), path_(std::move(path)), bytes_(bytes.begin(), bytes.end()) {
    ++folder_.stagedLeft;
  }
  ~FakeStagedFile() override {
    if (!gone_) --folder_.stagedLeft;
  }
  bool PlaceIfNameFree() override {
    if (folder_.files.contains(path_) || folder_.hidden.contains(path_)) return false;
    Place();
    return true;
  }
  void PlaceReplacing() override {
    ++folder_.replaces;
    if (auto& codes = folder_.refusals[path_]; !codes.empty()) {
      const std::uint32_t code = codes.front();
      codes.erase(codes.begin());
      if (const auto other = folder_.takenOnRefusal.extract(path_)) {
        folder_.hidden.erase(path_);
        folder_.files[path_] = other.mapped();
      }
      throw Error(code, "rename");
    }
    folder_.hidden.erase(path_);
    Place();
  }
  void Discard() override {
    --folder_.stagedLeft;
    gone_ = true;
  }

 private:
  void Place() {
    folder_.files[path_] = bytes_;
    folder_.order.push_back(path_);
    Discard();
  }
  FakeSystem& folder_;
  std::string path_;
  std::vector<std::uint8_t> bytes_;
  bool gone_ = false;
};

}  // namespace

std::unique_ptr<StagedFile> FakeSystem::Stage(std::string_view path,
                                              std::span<const std::uint8_t> bytes) {
  if (failOn == path) throw Error(112, "WriteFile");  // ERROR_DISK_FULL
  const std::string name(path);
  if (const auto other = completedMeanwhile.find(name); other != completedMeanwhile.end()) {
    files[name] = other->second;
  }
  return std::make_unique<FakeStagedFile>(*this, name, bytes);
}

FakeStore::FakeStore() {
  for (std::size_t i = 0; i < kComponentNames.size(); ++i) {
    entries[std::string(kComponentNames[i])] =
        std::vector<std::uint8_t>(100 + i, static_cast<std::uint8_t>(i));
  }
}

std::span<const std::uint8_t> FakeStore::ReadPayload(std::string_view name,
                                                     std::string_view type) const {
  if (AsciiUppercase(type) != "CUSTOM") throw Error(error_code::kResourceTypeNotFound, "type");
  const auto found = entries.find(AsciiUppercase(name));
  if (found == entries.end()) throw Error(error_code::kResourceNameNotFound, "name");
  return found->second;
}

}  // namespace brantel::testing
