// The places override: HKEY_CURRENT_USER is redirected, for the whole
// process, into "Velmo" below the user's real HKEY_CURRENT_USER, and the
// file dialogs' places-bar policy is written there.
//
// The redirection is made once per process and never undone: every thread
// and library of the process (the Java runtime included) sees it from then
// on.  Redirecting again from a later bridge would push the mapping one level
// deeper each time, so later bridges only write the values again, and only
// when the key is no longer as this process left it: every bridge of the
// print relay (one per job) would otherwise pay seven registry calls, each a
// round trip to the wineserver under Wine.
#include "host/bridge/places_override.h"

#include "host/host.h"

namespace {

const char kPlacesBarKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar";

struct Place {
  const char* value;
  DWORD csidl;
};
const Place kPlaces[] = {
    {"Place0", 8},   // recent items
    {"Place1", 0},   // desktop
    {"Place2", 5},   // the user's documents
    {"Place3", 17},  // computer, the drives
    {"Place4", 34},  // history
};

SRWLOCK gOverrideLock = SRWLOCK_INIT;
HKEY gPrivateRoot = nullptr;  // open for the process's life: the redirection's target
HKEY gPlacesKey = nullptr;    // the places-bar key as last written, or null
FILETIME gWrittenAt = {};     // its last write time then

bool RedirectCurrentUserOnce() {
  if (gPrivateRoot != nullptr) return true;
  HKEY root = nullptr;
  if (RegCreateKeyA(HKEY_CURRENT_USER, kPrivateSubtree, &root) != ERROR_SUCCESS) return false;
  if (RegOverridePredefKey(HKEY_CURRENT_USER, root) != ERROR_SUCCESS) {
    RegCloseKey(root);
    return false;
  }
  gPrivateRoot = root;
  return true;
}

bool LastWriteOf(HKEY key, DWORD* values, FILETIME* writtenAt) {
  return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, values, nullptr, nullptr,
                          nullptr, writtenAt) == ERROR_SUCCESS;
}

// Whether the key still holds what this process wrote: a deleted key fails
// the query, and any value set, added or deleted since moves its last write
// time.
bool PlacesAsWritten() {
  DWORD values = 0;
  FILETIME writtenAt = {};
  return gPlacesKey != nullptr && LastWriteOf(gPlacesKey, &values, &writtenAt) &&
         values == sizeof kPlaces / sizeof kPlaces[0] && writtenAt.dwLowDateTime == gWrittenAt.dwLowDateTime &&
         writtenAt.dwHighDateTime == gWrittenAt.dwHighDateTime;
}

void WritePlacesBar() {
  if (PlacesAsWritten()) return;
  if (gPlacesKey != nullptr) RegCloseKey(gPlacesKey);
  gPlacesKey = nullptr;
  HKEY places = nullptr;
  if (RegCreateKeyA(HKEY_CURRENT_USER, kPlacesBarKey, &places) != ERROR_SUCCESS) return;
  for (const Place& place : kPlaces) {
    RegSetValueExA(places, place.value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&place.csidl),
                   sizeof place.csidl);
  }
  DWORD values = 0;
  if (LastWriteOf(places, &values, &gWrittenAt)) {
    gPlacesKey = places;
  } else {
    RegCloseKey(places);
  }
}

}  // namespace

void InstallPlacesOverride() {
  AcquireSRWLockExclusive(&gOverrideLock);
  // Without the redirection the values would land in the user's real policy
  // key, which is never to be written: then there are simply no places.
  if (RedirectCurrentUserOnce()) WritePlacesBar();
  ReleaseSRWLockExclusive(&gOverrideLock);
}

void RemoveNestedPlacesKey() {
  AcquireSRWLockExclusive(&gOverrideLock);
  if (gPrivateRoot != nullptr) DeleteRegTree(HKEY_CURRENT_USER, kPrivateSubtree);
  ReleaseSRWLockExclusive(&gOverrideLock);
}
