// Inside the host: ordering the version names of Java runtime registrations.
#pragma once

// Compares the numbers of two version names, left to right, as numbers:
// "21.0.1.12" > "17.0.10.7" > "17.0.9.9" > "8.0.392.8".  Anything that is not
// a digit separates numbers ("zulu-17" is 17, "1.8.0_392" is 1 8 0 392); a
// missing number counts as 0, so "17" equals "17.0".  Any length of number.
// Returns <0, 0 or >0 as a is older than, the same as or newer than b.
int CompareDottedVersions(const char* a, const char* b);
