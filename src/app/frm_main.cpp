#include "app/frm_main.h"

#include "installer/install_run.h"
#include "installer/run_texts.h"
#include "window/rows.h"

namespace brantel {

void FrmMain::Naming() {
  controls_.SetWindowCaption(kWindowCaption);
  controls_.SetButtonCaption(kCaptionInstall);
  controls_.SetAboutCaption(kContactAddress);
}

void FrmMain::Install() {
  brantel::Install(controls_, system_, store_, writer_);
}

void FrmMain::Loading() {
  BuildRows(controls_);
}

void FrmMain::OnLoad() {
  Naming();
  Loading();
}

}  // namespace brantel
