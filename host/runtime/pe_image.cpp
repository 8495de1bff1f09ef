// Checking a jvm.dll before it is chosen: LoadLibraryA of a 32-bit jvm.dll
// fails only when start-up is already committed to that runtime, so a
// runtime found by the wider search is looked at first.
#include "host/runtime/pe_image.h"

#include <cstring>

namespace {

constexpr WORD kDosMagic = 0x5A4D;  // "MZ"
constexpr LONG kNewHeaderOffsetAt = 0x3C;
constexpr DWORD kDosHeaderSize = 0x40;
constexpr DWORD kPeSignature = 0x00004550;  // "PE\0\0"
constexpr WORD kMachineX64 = 0x8664;

struct FileHolder {
  HANDLE file = INVALID_HANDLE_VALUE;
  ~FileHolder() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
};

enum class ReadResult { kRead, kShort, kFailed };

// Exactly `size` bytes at `offset`; a file that ends first is short.
ReadResult ReadAt(HANDLE file, LONG offset, void* buffer, DWORD size) {
  if (SetFilePointer(file, offset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR) {
    return ReadResult::kFailed;
  }
  DWORD read = 0;
  if (!ReadFile(file, buffer, size, &read, nullptr)) return ReadResult::kFailed;
  return read == size ? ReadResult::kRead : ReadResult::kShort;
}

JvmImageCheck Unreadable(DWORD* error) {
  *error = GetLastError();
  return JvmImageCheck::kUnreadable;
}

JvmImageCheck NotX64(DWORD* error) {
  *error = ERROR_BAD_EXE_FORMAT;
  return JvmImageCheck::kNotX64;
}

}  // namespace

JvmImageCheck CheckJvmImage(const char* path, DWORD* error) {
  *error = NO_ERROR;
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
    *error = GetLastError();
    return JvmImageCheck::kMissing;
  }
  // A jvm.dll already loaded by this process is still open for reading.
  FileHolder image;
  image.file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (image.file == INVALID_HANDLE_VALUE) return Unreadable(error);

  unsigned char dosHeader[kDosHeaderSize];
  ReadResult result = ReadAt(image.file, 0, dosHeader, sizeof dosHeader);
  if (result == ReadResult::kFailed) return Unreadable(error);
  WORD magic = 0;
  LONG newHeader = 0;
  memcpy(&magic, dosHeader, sizeof magic);
  memcpy(&newHeader, dosHeader + kNewHeaderOffsetAt, sizeof newHeader);
  if (result == ReadResult::kShort || magic != kDosMagic || newHeader <= 0) return NotX64(error);

  // The PE signature, then the file header, whose first field is Machine.
  unsigned char peHeader[sizeof(DWORD) + sizeof(WORD)];
  result = ReadAt(image.file, newHeader, peHeader, sizeof peHeader);
  if (result == ReadResult::kFailed) return Unreadable(error);
  DWORD signature = 0;
  WORD machine = 0;
  memcpy(&signature, peHeader, sizeof signature);
  memcpy(&machine, peHeader + sizeof signature, sizeof machine);
  if (result == ReadResult::kShort || signature != kPeSignature || machine != kMachineX64) return NotX64(error);
  return JvmImageCheck::kX64;
}
