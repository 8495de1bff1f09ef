// The six driver files: where they come from, where they go, and which of
// them a run may replace.
#include <cstring>

#include "setup/setup.h"
#include "setup/trace.h"

const DriverFile kDriverFiles[kDriverFileCount] = {
    {"\\PSCRIPT5.DLL", CopyRule::kWhenMissing},
    {"\\velmo.ppd", CopyRule::kAlways},
    {"\\PS5UI.DLL", CopyRule::kWhenMissing},
    {"\\velmops.dll", CopyRule::kAlways},
    {"\\velmo.ini", CopyRule::kAlways},
    {"\\velmo.inf", CopyRule::kAlways},
};

bool ComposePath(const char* directory, const char* suffix, char* destination) {
  const size_t directoryLength = std::strlen(directory);
  const size_t suffixLength = std::strlen(suffix);
  destination[0] = '\0';
  if (directoryLength + suffixLength >= MAX_PATH) return false;
  std::memcpy(destination, directory, directoryLength);
  std::memcpy(destination + directoryLength, suffix, suffixLength + 1);
  return true;
}

bool BuildDriverFilePaths(const char* sourceDirectory, const char* driverDirectory,
                          DriverFilePaths* paths) {
  bool destinationsFit = true;
  for (int i = 0; i < kDriverFileCount; ++i) {
    if (!ComposePath(sourceDirectory, kDriverFiles[i].suffix, paths->source[i])) {
      TraceStepFailureDetail(SETUP_TRACE_SOURCE_TOO_LONG, kDriverFiles[i].suffix + 1, ERROR_FILENAME_EXCED_RANGE);
    }
    if (!ComposePath(driverDirectory, kDriverFiles[i].suffix, paths->destination[i])) {
      destinationsFit = false;
    }
  }
  return destinationsFit;
}

bool CopyDriverFile(const char* source, const char* destination, CopyRule rule) {
  if (source[0] == '\0' || destination[0] == '\0') return false;
  if (rule == CopyRule::kAlways) return CopyFileA(source, destination, FALSE) != FALSE;

  // A directory of the file's name does not count as present; the copy is
  // attempted and fails on it, leaving the directory alone.
  const DWORD attributes = GetFileAttributesA(destination);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }
  return CopyFileA(source, destination, TRUE) != FALSE;
}

void CopyDriverFiles(const DriverFilePaths& paths, DWORD* errors) {
  // Each copy is independent: a file that fails keeps its old destination,
  // and the driver record names that destination all the same.
  for (int i = 0; i < kDriverFileCount; ++i) {
    errors[i] = ERROR_SUCCESS;
    SetLastError(ERROR_SUCCESS);
    // A kept PostScript driver file is no failure: nothing was attempted.
    // A source path too long to compose was never reachable.
    if (!CopyDriverFile(paths.source[i], paths.destination[i], kDriverFiles[i].rule)) {
      errors[i] = paths.source[i][0] == '\0' ? ERROR_FILENAME_EXCED_RANGE : GetLastError();
      if (errors[i] != ERROR_SUCCESS) TraceStepFailureDetail(SETUP_TRACE_COPY, paths.source[i], errors[i]);
    }
  }
}
