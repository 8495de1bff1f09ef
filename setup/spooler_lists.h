// The spooler's lists (EnumXxxA or EnumXxxW), read in two steps: the size,
// then the records.  Used by the removal and by the installation's read-back.
#pragma once

#include <windows.h>

#include <vector>

#include "setup/setup.h"

// Records `stride` bytes apart.
struct NameList {
  std::vector<BYTE> records;
  DWORD count = 0;
  size_t stride = 0;
};

// enumerate(records, capacity, &needed, &count) is one EnumXxx call.  False,
// with the last error of the enumeration, when the list cannot be read.
template <typename Enumerate>
bool ReadNameList(Enumerate enumerate, size_t stride, NameList* list) {
  list->stride = stride;
  DWORD needed = 0;
  DWORD count = 0;
  // A list that grows between the two steps (someone adds a printer) asks
  // for a bigger buffer again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    list->records.resize(needed);
    if (enumerate(needed == 0 ? nullptr : list->records.data(), needed, &needed, &count)) {
      list->count = needed == 0 ? 0 : count;
      return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  }
  return false;
}

// The record whose nameField is name (ASCII letters compared case-blind),
// or NULL.
template <typename Record, typename Char>
const Record* FindListed(const NameList& list, Char* Record::*nameField, const Char* name) {
  for (DWORD i = 0; i < list.count; ++i) {
    const Record* record = reinterpret_cast<const Record*>(list.records.data() + i * list.stride);
    const Char* listed = record->*nameField;
    if (listed != nullptr && SameTextAsciiCaseBlind(listed, name)) return record;
  }
  return nullptr;
}

// For records that begin with their name.
template <typename Char>
bool ListHolds(const NameList& list, const Char* name) {
  for (DWORD i = 0; i < list.count; ++i) {
    const Char* listed = *reinterpret_cast<Char* const*>(list.records.data() + i * list.stride);
    if (listed != nullptr && SameTextAsciiCaseBlind(listed, name)) return true;
  }
  return false;
}
