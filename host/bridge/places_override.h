// Inside the host: the process-wide redirection of HKEY_CURRENT_USER into
// the private subtree that holds the file dialogs' places bar.
#pragma once

// Name of the private subtree directly below the user's real HKEY_CURRENT_USER.
constexpr char kPrivateSubtree[] = "Velmo";

// What bridge teardown deletes: "Velmo" below HKEY_CURRENT_USER as it is
// mapped now.  Only once this process has redirected it, so the private
// subtree that the redirection (of this or another of the product's
// processes) relies on is never removed.
void RemoveNestedPlacesKey();
