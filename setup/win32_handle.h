// Owner of a kernel handle, closed when the owner goes out of scope.  Both
// NULL and INVALID_HANDLE_VALUE mean "no handle": Win32 uses either as the
// failure value depending on the function.
#pragma once

#include <windows.h>

class Win32Handle {
 public:
  explicit Win32Handle(HANDLE handle) : handle_(handle) {}
  ~Win32Handle() {
    if (*this) CloseHandle(handle_);
  }
  Win32Handle(const Win32Handle&) = delete;
  Win32Handle& operator=(const Win32Handle&) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};
