// Inside the host: the further places of a Java runtime, looked at only
// after the application home and the "Java Runtime Environment" key have
// found none.
#pragma once

#include "host/runtime/runtime.h"

// One installed runtime of an OpenJDK vendor, as its registry key names it.
struct VendorRuntime {
  int hive;            // HKLM or the user's HKCU; with vendor, gives the order of ties
  int vendor;          // index into the vendors' table
  char name[256];      // the subkey's name: "21.0.1.12", "zulu-17"; 255 is a key name's limit
  char version[256];   // what orders it: the name, or the full version its key holds
};

// More registrations than this on one machine are not looked at.
constexpr int kMaxVendorRuntimes = 64;

// Every vendor registration, newest version first; returns the count.
int ListVendorRuntimes(VendorRuntime* list, int capacity);
// The runtime's home as registered, and in source the registry value it came
// from ("HKLM\...\hotspot\MSI Path"), for traces.
bool ReadVendorRuntimeHome(const VendorRuntime& runtime, char* home, int capacity, char* source,
                           int sourceCapacity);
