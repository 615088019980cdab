// brantel-automate.exe: drives a window program the way a user would and reports what it sees,
// for the end-to-end tests and `make run`.
//
// The command line is a script of steps separated by ";" arguments:
//
//   brantel-automate.exe start Z:\path\Brantel.exe --unset windir ; wait-window "Brantel setup" 20
//                        ; window ; list ; click 700 ; wait-text 700 Finish 60 ; close ; wait-exit
//                        10
//
// Steps (times in seconds; ID is a control id, found among all descendants of the window):
//   start PROGRAM [--arg WORD] [--cwd DIR] [--unset NAME]... [--set NAME=VALUE]...
//                                starts a copy of the program; the steps after it are about it
//   use N                        the steps after it are about the Nth copy started (from 1)
//   click-all ID                 post BM_CLICK to that button in every copy's window, at once
//   move X Y                     move the window's top-left corner to that screen position
//   wait-window TITLE SECONDS [--class CLASS]   the started program's visible top-level window
//   windows                      report every visible top-level window of the program
//   window                       report its class, title, styles, client size and screen position
//   list                         report every control of the window
//   text ID                      report a control's text
//   click ID                     post BM_CLICK to a button
//   command ID                   post WM_COMMAND (BN_CLICKED) for the control to its parent
//   key KEY                      press a key in the window (an X keysym: Return, space, alt+F4)
//   wait-text ID TEXT SECONDS    wait until the control's text is TEXT
//   wait-msgbox SECONDS          wait for a message box of the program and report it
//   answer-msgbox [BUTTON-ID]    press a button of that box (default IDOK); wait till it is gone
//   pause SECONDS                let the target be for a while
//   close                        post WM_CLOSE to the window
//   wait-exit SECONDS            wait for the program to end and report its exit code
//   capture FILE [screen]        save the client area as a 24-bit BMP
//   memory                       report the program's peak memory use
//   processes IMAGE              report how many processes of that image name are running
//   font FACE HEIGHT CHARSET PITCH-FAMILY TEXT   report the face and text width the system gives
//                                such a font of normal weight
//   draw-text FACE HEIGHT WEIGHT CHARSET PITCH-FAMILY COLOUR BACKGROUND TEXT FILE
//                                save TEXT drawn in that font as a 24-bit BMP; a colour is RRGGBB
//                                or sys:N, the system colour N
//
// Every report is one line of space-separated key=value fields; text values are in double
// quotes with '"' and '\' escaped. A step that fails prints "error step=N ..." and the program
// exits with 1 after ending every copy it started; a copy still running after the last step is
// ended too, so no test leaves a process behind.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <deque>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "capture_win.h"
#include "common/check_win.h"
#include "common/failure.h"
#include "common/joined.h"
#include "common/utf8_win.h"
#include "failure.h"
#include "font_probe_win.h"
#include "process_win.h"
#include "report_line.h"
#include "report_win.h"
#include "steps.h"
#include "windows_win.h"

namespace brantel::automate {
namespace {

using harness::Program;

// One started copy of the program and what the steps found of it.
struct Copy {
  explicit Copy(const harness::StartArgs& args) : program(args) {}
  Program program;
  HWND window = nullptr;
  HWND messageBox = nullptr;
};

struct Target {
  std::deque<Copy> copies;  // in the order they were started
  Copy* current = nullptr;  // the one the steps are about
};

const std::wstring& Word(const Words& words, std::size_t index) {
  if (index >= words.size()) throw StepFailure("the step lacks an argument");
  return words[index];
}

int Integer(const Words& words, std::size_t index) {
  const std::wstring& word = Word(words, index);
  wchar_t* end = nullptr;
  const long value = std::wcstol(word.c_str(), &end, 10);
  if (end == word.c_str() || *end != L'\0') throw StepFailure("not a number: " + Narrow(word));
  return static_cast<int>(value);
}

// "RRGGBB", or "sys:N" for GetSysColor(N), as a COLORREF.
COLORREF Colour(const Words& words, std::size_t index) {
  const std::wstring& word = Word(words, index);
  const bool system = word.starts_with(L"sys:");
  const wchar_t* digits = word.c_str() + (system ? 4 : 0);
  wchar_t* end = nullptr;
  const unsigned long value = std::wcstoul(digits, &end, system ? 10 : 16);
  if (end == digits || *end != L'\0') throw StepFailure("not a colour: " + Narrow(word));
  if (system) return GetSysColor(static_cast<int>(value));
  return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

DWORD Milliseconds(const Words& words, std::size_t index) {
  const std::wstring& word = Word(words, index);
  wchar_t* end = nullptr;
  const double seconds = std::wcstod(word.c_str(), &end);
  if (end == word.c_str() || *end != L'\0' || seconds < 0) {
    throw StepFailure("not a time in seconds: " + Narrow(word));
  }
  return static_cast<DWORD>(seconds * 1000.0);
}

Copy& Current(const Target& target) {
  if (target.current == nullptr) throw StepFailure("no program was started");
  return *target.current;
}

const Program& Started(const Target& target) {
  return Current(target).program;
}

HWND WindowOf(const Copy& copy) {
  if (copy.window == nullptr) throw StepFailure("no window was found before this step");
  return copy.window;
}

HWND Window(const Target& target) {
  return WindowOf(Current(target));
}

HWND Control(const Target& target, const Words& words) {
  return harness::ControlById(Window(target), Integer(words, 1));
}

harness::StartArgs StartArguments(const Words& words) {
  harness::StartArgs args;
  args.program = Word(words, 1);
  for (std::size_t i = 2; i < words.size(); ++i) {
    if (words[i] == L"--cwd") {
      args.workingDirectory = Word(words, ++i);
    } else if (words[i] == L"--arg") {
      args.arguments = Word(words, ++i);
    } else if (words[i] == L"--unset") {
      args.environment.push_back({Word(words, ++i), true, {}});
    } else if (words[i] == L"--set") {
      const std::wstring& pair = Word(words, ++i);
      const std::size_t equals = pair.find(L'=');
      if (equals == std::wstring::npos || equals == 0) throw StepFailure("--set needs NAME=VALUE");
      args.environment.push_back({pair.substr(0, equals), false, pair.substr(equals + 1)});
    } else {
      throw StepFailure("unknown option " + Narrow(words[i]));
    }
  }
  return args;
}

void Start(Target& target, const Words& words) {
  target.current = &target.copies.emplace_back(StartArguments(words));
  std::printf("started pid=%lu\n", target.current->program.id());
}

void Use(Target& target, const Words& words) {
  const int number = Integer(words, 1);
  if (number < 1 || static_cast<std::size_t>(number) > target.copies.size()) {
    throw StepFailure("no copy " + std::to_string(number) + " was started");
  }
  target.current = &target.copies[static_cast<std::size_t>(number) - 1];
}

// The buttons are found first and clicked after, so the clicks reach the copies a few
// microseconds apart, as close together as separate users could press them.
void ClickAll(Target& target, const Words& words) {
  std::vector<HWND> buttons;
  for (const Copy& copy : target.copies) {
    buttons.push_back(harness::ControlById(WindowOf(copy), Integer(words, 1)));
  }
  for (const HWND button : buttons) harness::PostClick(button);
}

void WaitWindow(Target& target, const Words& words) {
  const std::wstring className = words.size() > 4 && words[3] == L"--class" ? words[4] : L"";
  Copy& copy = Current(target);
  copy.window = harness::WaitForTopLevel(copy.program.id(), className, Word(words, 1),
                                         Milliseconds(words, 2), copy.program.handle());
  std::printf("found title=%s\n", Quoted(harness::WindowText(copy.window)).c_str());
}

void WaitMessageBox(Target& target, const Words& words) {
  Copy& copy = Current(target);
  copy.messageBox = harness::WaitForTopLevel(copy.program.id(), L"#32770", L"",
                                             Milliseconds(words, 1), copy.program.handle());
  DescribeMessageBox(copy.messageBox);
}

void AnswerMessageBox(Target& target, const Words& words) {
  Copy& copy = Current(target);
  if (copy.messageBox == nullptr) throw StepFailure("no message box was found before this step");
  const int button = words.size() > 1 ? Integer(words, 1) : IDOK;
  harness::PostClick(harness::ControlById(copy.messageBox, button));
  // Answered means gone: a later wait-msgbox must not find this box again.
  for (int waited = 0; IsWindow(copy.messageBox); waited += 10) {
    if (waited >= 10000) throw StepFailure("the message box stayed after it was answered");
    Sleep(10);
  }
  copy.messageBox = nullptr;
}

// Keys as a user's keyboard sends them: through the X server, into the window that has the focus,
// which follows the foreground window. Wine starts a Unix program such as xdotool as it is, but
// gives no handle to wait on: the steps after this one wait for what the key does.
void PressKeys(Target& target, const Words& words) {
  const HWND window = Window(target);
  SetForegroundWindow(window);
  for (int waited = 0; GetForegroundWindow() != window; waited += 10) {
    if (waited >= 5000) throw StepFailure("the window did not come to the foreground for the keys");
    Sleep(10);
  }
  const Program xdotool(
      {L"Z:\\usr\\bin\\xdotool", L"key --clearmodifiers " + Word(words, 1), {}, {}, false});
  if (xdotool.WaitForExit(30000) != 0) throw StepFailure("xdotool failed");
}

// The copies' windows open in one place, one over the other, and what another window covers is
// not drawn; moved apart, each can be captured.
void Move(Target& target, const Words& words) {
  Check(SetWindowPos(Window(target), nullptr, Integer(words, 1), Integer(words, 2), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE),
        "SetWindowPos");
}

void PostCommand(Target& target, const Words& words) {
  const HWND control = Control(target, words);
  Check(PostMessageW(GetParent(control), WM_COMMAND,
                     MAKEWPARAM(harness::ControlId(control), BN_CLICKED),
                     reinterpret_cast<LPARAM>(control)),
        "PostMessage WM_COMMAND");
}

void WaitText(Target& target, const Words& words) {
  const HWND control = Control(target, words);
  try {
    harness::WaitForText(control, Word(words, 2), Milliseconds(words, 3), 50);
  } catch (const Error&) {
    throw StepFailure("the text stayed " + Quoted(harness::WindowText(control)) + " instead of " +
                      Quoted(Word(words, 2)));
  }
}

void Capture(Target& target, const Words& words) {
  const bool screen = words.size() > 2 && words[2] == L"screen";
  CaptureClient(Window(target), screen ? CaptureSource::Screen : CaptureSource::Window,
                Word(words, 1));
}

void DrawText(Target&, const Words& words) {
  SaveTextSample(
      {{Word(words, 1), Integer(words, 2), Integer(words, 3), Integer(words, 4), Integer(words, 5)},
       Colour(words, 6),
       Colour(words, 7),
       Word(words, 8)},
      Word(words, 9));
}

void Memory(Target& target, const Words&) {
  const Program::PeakMemory memory = Started(target).ReadPeakMemory();
  std::printf("memory peak-working-set=%lu peak-private=%lu\n",
              static_cast<unsigned long>(memory.workingSet),
              static_cast<unsigned long>(memory.privateBytes));
}

using StepFunction = void (*)(Target&, const Words&);

const std::pair<std::wstring_view, StepFunction> kSteps[] = {
    {L"start", Start},
    {L"use", Use},
    {L"click-all", ClickAll},
    {L"move", Move},
    {L"wait-window", WaitWindow},
    {L"windows", [](Target& t, const Words&) { ListTopLevel(Started(t).id()); }},
    {L"window", [](Target& t, const Words&) { DescribeWindow(Window(t)); }},
    {L"list", [](Target& t, const Words&) { ListControls(Window(t)); }},
    {L"text",
     [](Target& t, const Words& w) {
       std::printf("text id=%d text=%s\n", Integer(w, 1),
                   Quoted(harness::WindowText(Control(t, w))).c_str());
     }},
    {L"click", [](Target& t, const Words& w) { harness::PostClick(Control(t, w)); }},
    {L"command", PostCommand},
    {L"key", PressKeys},
    {L"wait-text", WaitText},
    {L"wait-msgbox", WaitMessageBox},
    {L"answer-msgbox", AnswerMessageBox},
    {L"pause", [](Target&, const Words& w) { Sleep(Milliseconds(w, 1)); }},
    {L"close", [](Target& t, const Words&) { harness::PostClose(Window(t)); }},
    {L"wait-exit",
     [](Target& t, const Words& w) {
       std::printf("exited code=%lu\n", Started(t).WaitForExit(Milliseconds(w, 1)));
     }},
    {L"capture", Capture},
    {L"processes",
     [](Target&, const Words& w) {
       std::printf("processes image=%s count=%d\n", Quoted(Word(w, 1)).c_str(),
                   harness::CountProcesses(Word(w, 1)));
     }},
    {L"memory", Memory},
    {L"font",
     [](Target&, const Words& w) {
       ProbeFont({Word(w, 1), Integer(w, 2), FW_NORMAL, Integer(w, 3), Integer(w, 4)}, Word(w, 5));
     }},
    {L"draw-text", DrawText},
};

void RunStep(Target& target, const Words& words) {
  const std::wstring& name = Word(words, 0);
  for (const auto& [stepName, step] : kSteps) {
    if (name == stepName) return step(target, words);
  }
  throw StepFailure("unknown step " + Narrow(name));
}

// What went wrong in a step, for its report line.
std::string FailureText(const std::exception& failure) {
  if (const auto* error = dynamic_cast<const Error*>(&failure)) {
    return DescribeFailure(FailureOf(*error), {}, FailureLayout::kCodeOnly);
  }
  return failure.what();
}

int Run(int argc, wchar_t** argv) {
  const std::vector<Words> steps = Steps(argc, argv);
  if (steps.empty()) {
    std::fputs(
        "usage: brantel-automate.exe STEP [; STEP]... (the steps are listed in the source)\n",
        stderr);
    return 2;
  }
  Target target;
  int status = 0;
  for (std::size_t i = 0; i < steps.size() && status == 0; ++i) {
    const bool tolerated = steps[i].front() == L"try";
    const Words step(steps[i].begin() + (tolerated ? 1 : 0), steps[i].end());
    try {
      RunStep(target, step);
      std::printf("ok step=%zu %s\n", i + 1, Quoted(Joined(step, L" ")).c_str());
    } catch (const std::exception& failure) {
      std::printf("%s step=%zu %s message=%s\n", tolerated ? "failed" : "error", i + 1,
                  Quoted(Joined(step, L" ")).c_str(), Quoted(FailureText(failure)).c_str());
      if (!tolerated) status = 1;
    }
    std::fflush(stdout);
  }
  for (const Copy& copy : target.copies) {
    if (copy.program.Terminate()) std::printf("terminated pid=%lu\n", copy.program.id());
  }
  return status;
}

}  // namespace
}  // namespace brantel::automate

int wmain(int argc, wchar_t** argv) {
  return brantel::automate::Run(argc, argv);
}
