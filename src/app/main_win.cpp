// The program's entry. It reads no command line: the window is all there is.

#include <windows.h>

#include "app/program_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  brantel::LoadLibrariesFromSystemOnly();
  return brantel::RunProgram(instance);
}
