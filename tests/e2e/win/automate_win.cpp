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
//   font FACE HEIGHT CHARSET TEXT   report the face and text width the system gives such a font
//   draw-text FACE HEIGHT WEIGHT CHARSET COLOUR BACKGROUND TEXT FILE
//                                save TEXT drawn in that font as a 24-bit BMP; a colour is RRGGBB
//                                or sys:N, the system colour N
//
// Every report is one line of space-separated key=value fields; text values are in double
// quotes with '"' and '\' escaped. A step that fails prints "error step=N ..." and the program
// exits with 1 after ending the target; a target still running after the last step is ended too,
// so no test leaves a process behind.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "capture_win.h"
#include "failure.h"
#include "font_probe_win.h"
#include "process_win.h"
#include "text_win.h"
#include "windows_win.h"
#include "steps.h"

namespace brantel::automate {
namespace {

struct Target {
  Process process;
  HWND window = nullptr;
  HWND messageBox = nullptr;
};

const std::wstring& Word(const Words& words, std::size_t index) {
  if (index >= words.size()) throw StepFailure("the step lacks an argument");
  return words[index];
}

int Integer(const Words& words, std::size_t index) {
  const std::wstring& word = Word(words, index);
  wchar_t* end = nullptr;
  const long value = std::wcstol(word.c_str(), &end, 10);
  if (end == word.c_str() || *end != L'\0') throw StepFailure("not a number: " + ToUtf8(word));
  return static_cast<int>(value);
}

// "RRGGBB", or "sys:N" for GetSysColor(N), as a COLORREF.
COLORREF Colour(const Words& words, std::size_t index) {
  const std::wstring& word = Word(words, index);
  const bool system = word.starts_with(L"sys:");
  const wchar_t* digits = word.c_str() + (system ? 4 : 0);
  wchar_t* end = nullptr;
  const unsigned long value = std::wcstoul(digits, &end, system ? 10 : 16);
  if (end == digits || *end != L'\0') throw StepFailure("not a colour: " + ToUtf8(word));
  if (system) return GetSysColor(static_cast<int>(value));
  return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

double Seconds(const Words& words, std::size_t index) {
  const std::wstring& word = Word(words, index);
  wchar_t* end = nullptr;
  const double value = std::wcstod(word.c_str(), &end);
  if (end == word.c_str() || *end != L'\0' || value < 0) {
    throw StepFailure("not a time in seconds: " + ToUtf8(word));
  }
  return value;
}

const Process& Started(const Target& target) {
  if (!target.process.process) throw StepFailure("no program was started");
  return target.process;
}

HWND Window(const Target& target) {
  if (target.window == nullptr) throw StepFailure("no window was found before this step");
  return target.window;
}

void Start(Target& target, const Words& words) {
  StartArgs args;
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
      throw StepFailure("unknown option " + ToUtf8(words[i]));
    }
  }
  target.process = StartProcess(args);
  std::printf("started pid=%lu\n", target.process.id);
}

void WaitWindow(Target& target, const Words& words) {
  std::wstring className;
  if (words.size() > 4 && words[3] == L"--class") className = words[4];
  const Process& process = Started(target);
  target.window = WaitForTopLevel(process.id, className, Word(words, 1), Seconds(words, 2),
                                  process.process.get());
  std::printf("found title=%s\n", Quoted(WindowText(target.window)).c_str());
}

void WaitMessageBox(Target& target, const Words& words) {
  const Process& process = Started(target);
  target.messageBox =
      WaitForTopLevel(process.id, L"#32770", L"", Seconds(words, 1), process.process.get());
  DescribeMessageBox(target.messageBox);
}

void AnswerMessageBox(Target& target, const Words& words) {
  if (target.messageBox == nullptr) throw StepFailure("no message box was found before this step");
  const int button = words.size() > 1 ? Integer(words, 1) : IDOK;
  PostClick(ControlById(target.messageBox, button));
  // Answered means gone: a later wait-msgbox must not find this box again.
  for (int waited = 0; IsWindow(target.messageBox); waited += 10) {
    if (waited >= 10000) throw StepFailure("the message box stayed after it was answered");
    Sleep(10);
  }
  target.messageBox = nullptr;
}

// Keys as a user's keyboard sends them: through the X server, into the window that has the focus,
// which follows the foreground window. Wine starts a Unix program such as xdotool as it is, but
// gives no handle to wait on: the steps after this one wait for what the key does.
void PressKeys(HWND window, const Words& words) {
  SetForegroundWindow(window);
  for (int waited = 0; GetForegroundWindow() != window; waited += 10) {
    if (waited >= 5000) throw StepFailure("the window did not come to the foreground for the keys");
    Sleep(10);
  }
  StartArgs xdotool;
  xdotool.program = L"Z:\\usr\\bin\\xdotool";
  xdotool.arguments = L"key --clearmodifiers " + Word(words, 1);
  const Process started = StartProcess(xdotool);
  if (started.process && WaitForExit(started, 30) != 0) throw StepFailure("xdotool failed");
}

void PostCommand(HWND control) {
  const int id = static_cast<int>(GetWindowLongPtrW(control, GWLP_ID));
  if (!PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                    reinterpret_cast<LPARAM>(control))) {
    FailWithLastError("PostMessageW(WM_COMMAND)");
  }
}

void RunStep(Target& target, const Words& words) {
  const std::wstring& name = Word(words, 0);
  if (name == L"start") {
    Start(target, words);
  } else if (name == L"wait-window") {
    WaitWindow(target, words);
  } else if (name == L"windows") {
    ListTopLevel(Started(target).id);
  } else if (name == L"window") {
    DescribeWindow(Window(target));
  } else if (name == L"list") {
    ListControls(Window(target));
  } else if (name == L"text") {
    const HWND control = ControlById(Window(target), Integer(words, 1));
    std::printf("text id=%d text=%s\n", Integer(words, 1), Quoted(WindowText(control)).c_str());
  } else if (name == L"click") {
    PostClick(ControlById(Window(target), Integer(words, 1)));
  } else if (name == L"key") {
    PressKeys(Window(target), words);
  } else if (name == L"command") {
    PostCommand(ControlById(Window(target), Integer(words, 1)));
  } else if (name == L"wait-text") {
    WaitForText(ControlById(Window(target), Integer(words, 1)), Word(words, 2), Seconds(words, 3));
  } else if (name == L"wait-msgbox") {
    WaitMessageBox(target, words);
  } else if (name == L"answer-msgbox") {
    AnswerMessageBox(target, words);
  } else if (name == L"pause") {
    Sleep(static_cast<DWORD>(Seconds(words, 1) * 1000));
  } else if (name == L"close") {
    if (!PostMessageW(Window(target), WM_CLOSE, 0, 0)) FailWithLastError("PostMessageW(WM_CLOSE)");
  } else if (name == L"wait-exit") {
    std::printf("exited code=%lu\n", WaitForExit(Started(target), Seconds(words, 1)));
  } else if (name == L"capture") {
    const bool screen = words.size() > 2 && words[2] == L"screen";
    CaptureClient(Window(target), screen ? CaptureSource::Screen : CaptureSource::Window,
                  Word(words, 1));
  } else if (name == L"processes") {
    std::printf("processes image=%s count=%d\n", Quoted(Word(words, 1)).c_str(),
                CountProcesses(Word(words, 1)));
  } else if (name == L"memory") {
    std::printf("memory %s\n", MemoryReport(Started(target)).c_str());
  } else if (name == L"font") {
    ProbeFont(Word(words, 1), Integer(words, 2), Integer(words, 3), Word(words, 4));
  } else if (name == L"draw-text") {
    SaveTextSample({Word(words, 1), Integer(words, 2), Integer(words, 3), Integer(words, 4),
                    Colour(words, 5), Colour(words, 6), Word(words, 7)},
                   Word(words, 8));
  } else {
    throw StepFailure("unknown step " + ToUtf8(name));
  }
}

std::wstring Joined(const Words& words) {
  std::wstring result;
  for (const auto& word : words) result += (result.empty() ? L"" : L" ") + word;
  return result;
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
      std::printf("ok step=%zu %s\n", i + 1, Quoted(Joined(step)).c_str());
    } catch (const StepFailure& failure) {
      std::printf("%s step=%zu %s message=%s\n", tolerated ? "failed" : "error", i + 1,
                  Quoted(Joined(step)).c_str(), Quoted(ToWide(failure.what())).c_str());
      if (!tolerated) status = 1;
    }
    std::fflush(stdout);
  }
  if (target.process.process && !HasExited(target.process)) {
    Terminate(target.process);
    std::printf("terminated pid=%lu\n", target.process.id);
  }
  return status;
}

}  // namespace
}  // namespace brantel::automate

int wmain(int argc, wchar_t** argv) {
  return brantel::automate::Run(argc, argv);
}
