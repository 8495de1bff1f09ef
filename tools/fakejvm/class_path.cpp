// The application class loader: java.class.path split at ';', each entry a
// directory or a jar.  As in HotSpot, an entry that names no existing
// directory or file is dropped without a word, and a class is found only
// through an entry that holds it: the first such entry, as a class loader
// asks its entries in order.
#include <cstring>
#include <vector>

#include "tools/fakejvm/fake_vm.h"

namespace fakejvm {
namespace {

std::vector<std::string> gClassPath;

bool IsDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

uint32_t Le16(const std::string& bytes, size_t at) {
  return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

uint32_t Le32(const std::string& bytes, size_t at) { return Le16(bytes, at) | Le16(bytes, at + 2) << 16; }

std::string ReadWholeFile(const std::string& path) {
  std::string content;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return content;
  char chunk[65536];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) content.append(chunk, read);
  CloseHandle(file);
  return content;
}

// A jar is a zip file: its entries are listed in the central directory, which
// the end record (found from the file's end, behind an optional comment)
// points to.  A file that is no zip holds no class.
bool JarNames(const std::string& path, const std::string& entryName) {
  const std::string jar = ReadWholeFile(path);
  const size_t kEndRecord = 22;
  if (jar.size() < kEndRecord) return false;
  size_t end = std::string::npos;
  size_t lowest = jar.size() > kEndRecord + 65535 ? jar.size() - kEndRecord - 65535 : 0;
  for (size_t at = jar.size() - kEndRecord + 1; at-- > lowest;) {
    if (Le32(jar, at) == 0x06054b50) {
      end = at;
      break;
    }
  }
  if (end == std::string::npos) return false;
  uint32_t entries = Le16(jar, end + 10);
  size_t at = Le32(jar, end + 16);
  for (uint32_t i = 0; i < entries; ++i) {
    if (at + 46 > jar.size() || Le32(jar, at) != 0x02014b50) return false;
    size_t nameLength = Le16(jar, at + 28);
    size_t rest = nameLength + Le16(jar, at + 30) + Le16(jar, at + 32);
    if (at + 46 + nameLength > jar.size()) return false;
    if (jar.compare(at + 46, nameLength, entryName) == 0) return true;
    at += 46 + rest;
  }
  return false;
}

}  // namespace

void SetClassPath(const std::string& value) {
  gClassPath.clear();
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find(';', start);
    if (end == std::string::npos) end = value.size();
    gClassPath.push_back(value.substr(start, end - start));
    start = end + 1;
  }
}

std::string ClassSource(const char* name) {
  std::string fileName = std::string(name) + ".class";
  std::string windowsName = fileName;
  for (char& c : windowsName) {
    if (c == '/') c = '\\';
  }
  for (const std::string& entry : gClassPath) {
    // A quote is no legal character of a Windows path: such an entry names nothing.
    if (entry.empty() || entry.find('"') != std::string::npos) continue;
    if (IsDirectory(entry)) {
      if (IsFile(entry + "\\" + windowsName)) return entry;
    } else if (IsFile(entry) && JarNames(entry, fileName)) {
      return entry;
    }
  }
  return std::string();
}

}  // namespace fakejvm
