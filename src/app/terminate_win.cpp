// What happens when an exception escapes every handler (which the program's own handlers are
// there to prevent). The C++ library's default handler prints the exception's demangled type
// to the console: a GUI program has none, and the demangler alone would add tens of kilobytes
// to the executable. This handler ends the process with a code that says why.

#include <windows.h>

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() {
  ::TerminateProcess(::GetCurrentProcess(), 3);
  ::ExitProcess(3);  // not reached: TerminateProcess does not return for the calling process
}

}  // namespace __gnu_cxx
