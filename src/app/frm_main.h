#pragma once

#include <string>
#include <string_view>

#include "installer/catalogue.h"
#include "installer/extract.h"
#include "installer/payload.h"
#include "installer/system_services.h"
#include "window/form_controls.h"

namespace brantel {

// The author's contact address that the window shows.
inline constexpr std::string_view kContactAddress = "setup@brantel-soft.com";
inline constexpr std::string_view kWindowCaption = "Brantel setup";

// The one window's behaviour: its three event handlers and its operations. The platform
// creates the window from its design and calls the handlers.
class FrmMain {
 public:
  FrmMain(FormControls& controls, SystemServices& system, const PayloadStore& store,
          FileWriter& writer)
      : controls_(controls), system_(system), store_(store), writer_(writer) {}

  std::string GetDllName(const ComponentIndex& index) const { return brantel::GetDllName(index); }
  void Naming();
  void Install();
  void Loading();

  // Load: the window's texts, then its rows; a failure of either ends the load.
  void OnLoad();
  void OnInstallClick() { Install(); }

 private:
  FormControls& controls_;
  SystemServices& system_;
  const PayloadStore& store_;
  FileWriter& writer_;
};

}  // namespace brantel
