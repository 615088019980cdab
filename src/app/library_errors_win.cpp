// How the C++ library's own checks fail in this program. The library raises a failed check (a
// string or vector asked to grow past its limit, an index out of range) through the
// std::__throw_* functions. Its definitions throw std::length_error and its kin, which carry
// their message in the library's reference-counted string: linking them brings that string's
// whole instantiation and, through it, std::random_device, tens of kilobytes that would serve
// nothing but these messages. Here the same checks raise the program's one error type with a
// Windows code, and the library's literal message as the failed operation, so they reach the
// same handlers as any other failure. The failures that carry no text keep their standard types.
//
// Every function of the library's set is defined, so that none of its own is linked beside them.

#include <windows.h>

#include <new>
#include <typeinfo>

#include "common/error.h"

using brantel::Error;

namespace std {

void __throw_bad_exception() {
  throw std::bad_exception();
}
void __throw_bad_alloc() {
  throw std::bad_alloc();
}
void __throw_bad_array_new_length() {
  throw std::bad_array_new_length();
}
void __throw_bad_cast() {
  throw std::bad_cast();
}
void __throw_bad_typeid() {
  throw std::bad_typeid();
}

// One line each, so that each reports a line of its own as where it was raised.
// clang-format off
void __throw_logic_error(const char* what) { throw Error(ERROR_INVALID_PARAMETER, what); }
void __throw_domain_error(const char* what) { throw Error(ERROR_INVALID_PARAMETER, what); }
void __throw_invalid_argument(const char* what) { throw Error(ERROR_INVALID_PARAMETER, what); }
void __throw_length_error(const char* what) { throw Error(ERROR_ARITHMETIC_OVERFLOW, what); }
void __throw_out_of_range(const char* what) { throw Error(ERROR_INVALID_INDEX, what); }
// The format's arguments are left out: the format itself names the operation.
void __throw_out_of_range_fmt(const char* format, ...) { throw Error(ERROR_INVALID_INDEX, format); }
void __throw_runtime_error(const char* what) { throw Error(ERROR_GEN_FAILURE, what); }
void __throw_range_error(const char* what) { throw Error(ERROR_ARITHMETIC_OVERFLOW, what); }
void __throw_overflow_error(const char* what) { throw Error(ERROR_ARITHMETIC_OVERFLOW, what); }
void __throw_underflow_error(const char* what) { throw Error(ERROR_ARITHMETIC_OVERFLOW, what); }
// clang-format on

}  // namespace std
