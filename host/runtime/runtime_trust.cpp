// A print relay that runs as SYSTEM, as a service account or elevated loads
// jvm.dll, and every DLL of the runtime's bin, with those rights.  A runtime
// that another account may change is then that account's way to run code
// with them: a JDK unpacked into a new folder at the root of C: inherits
// "Authenticated Users: Modify", and JAVA_HOME can name anything.  Such a
// relay takes only a runtime that nobody but SYSTEM, the Administrators,
// TrustedInstaller and its own account may change, from jvm.dll up to the
// volume's root; a service account's relay also passes JAVA_HOME over.
#include <aclapi.h>

#include <cstring>

#include "host/runtime/runtime.h"
#include "host/text/text.h"

namespace {

// A SID laid out as Windows lays it out, for the few this judgement knows.
struct KnownSid {
  BYTE revision;
  BYTE subAuthorityCount;
  BYTE authority[6];
  DWORD subAuthorities[6];
};

constexpr KnownSid kLocalSystem = {1, 1, {0, 0, 0, 0, 0, 5}, {18}};
constexpr KnownSid kLocalService = {1, 1, {0, 0, 0, 0, 0, 5}, {19}};
constexpr KnownSid kNetworkService = {1, 1, {0, 0, 0, 0, 0, 5}, {20}};
constexpr KnownSid kAdministrators = {1, 2, {0, 0, 0, 0, 0, 5}, {32, 544}};
constexpr KnownSid kTrustedInstaller = {
    1, 6, {0, 0, 0, 0, 0, 5}, {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464}};
// OWNER RIGHTS: where the DACL names it, the owner has only what it grants.
constexpr KnownSid kOwnerRights = {1, 1, {0, 0, 0, 0, 0, 3}, {4}};

bool SameSid(const void* a, const void* b) {
  const BYTE* left = static_cast<const BYTE*>(a);
  const BYTE* right = static_cast<const BYTE*>(b);
  return left[1] == right[1] && memcmp(left, right, 8 + 4 * static_cast<size_t>(left[1])) == 0;
}

bool SameSid(const void* sid, const KnownSid& known) { return SameSid(sid, &known); }

// The accounts that may change a runtime a privileged relay loads: those that
// already have every right on the machine, and the relay's own account.
bool MayChangeRuntime(const void* sid, const void* self) {
  return SameSid(sid, kLocalSystem) || SameSid(sid, kAdministrators) || SameSid(sid, kTrustedInstaller) ||
         (self != nullptr && SameSid(sid, self));
}

// Rights that replace or take over what is there, on every level; rights that
// add a file to a folder (or write a file), on every level; the right to add
// a folder only counts within the runtime, where a folder the virtual machine
// looks for (a missing lib\endorsed, say) could be made: above it a new
// folder stands in for nothing, and every volume's root grants that right to
// Authenticated Users.
constexpr ACCESS_MASK kTakeOverRights = DELETE | WRITE_DAC | WRITE_OWNER | FILE_DELETE_CHILD | GENERIC_ALL;
constexpr ACCESS_MASK kAddFileRights = FILE_WRITE_DATA | GENERIC_WRITE;
constexpr ACCESS_MASK kAddFolderRights = FILE_APPEND_DATA;

bool SidFitsAce(const ACE_HEADER* ace, const BYTE* sid) {
  const BYTE* end = reinterpret_cast<const BYTE*>(ace) + ace->AceSize;
  return sid + 8 <= end && sid + 8 + 4 * static_cast<size_t>(sid[1]) <= end;
}

}  // namespace

bool OnlyAdministratorsMayChange(PSID owner, PACL dacl, RuntimeLevel level, PSID self) {
  // No owner to judge, or a NULL DACL, which grants everyone everything.
  if (owner == nullptr || dacl == nullptr) return false;
  const ACCESS_MASK changing =
      kTakeOverRights | kAddFileRights | (level == RuntimeLevel::kWithinRuntime ? kAddFolderRights : 0);
  bool ownerTrusted = MayChangeRuntime(owner, self);
  bool ownerRightsNamed = false;
  const BYTE* next = reinterpret_cast<const BYTE*>(dacl) + sizeof(ACL);
  const BYTE* end = reinterpret_cast<const BYTE*>(dacl) + dacl->AclSize;
  for (WORD i = 0; i < dacl->AceCount; ++i) {
    if (next + sizeof(ACE_HEADER) > end) return false;
    const ACE_HEADER* ace = reinterpret_cast<const ACE_HEADER*>(next);
    if (ace->AceSize < sizeof(ACE_HEADER) || next + ace->AceSize > end) return false;
    next += ace->AceSize;
    // An inherit-only entry is handed down, and judged where it lands.
    if (ace->AceFlags & INHERIT_ONLY_ACE) continue;
    switch (ace->AceType) {
      case ACCESS_ALLOWED_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
        // Both lay out the header, the mask, then the SID.
        const ACCESS_ALLOWED_ACE* allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(ace);
        const BYTE* sid = reinterpret_cast<const BYTE*>(&allowed->SidStart);
        if (!SidFitsAce(ace, sid)) return false;
        bool forOwner = SameSid(sid, kOwnerRights);
        ownerRightsNamed = ownerRightsNamed || forOwner;
        bool trusted = forOwner ? ownerTrusted : MayChangeRuntime(sid, self);
        if (!trusted && (allowed->Mask & changing) != 0) return false;
        break;
      }
      case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
      case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE: {
        // Not made for files; whoever they name, changing rights refuse.
        const ACCESS_ALLOWED_ACE* allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(ace);
        if (ace->AceSize < sizeof(ACE_HEADER) + sizeof(ACCESS_MASK)) return false;
        if ((allowed->Mask & changing) != 0) return false;
        break;
      }
      default:
        // Denying entries are not counted on: an allowing one may come first.
        break;
    }
  }
  // An owner may always rewrite the DACL, unless OWNER RIGHTS says otherwise.
  return ownerTrusted || ownerRightsNamed;
}

RuntimeRule RuntimeRuleFor(bool servingPrintJobs, PSID user, bool elevated) {
  RuntimeRule rule = {false, false};
  if (!servingPrintJobs) return rule;
  if (user != nullptr &&
      (SameSid(user, kLocalSystem) || SameSid(user, kLocalService) || SameSid(user, kNetworkService))) {
    rule.checkFolders = true;
    rule.passOverJavaHome = true;
  } else if (elevated) {
    rule.checkFolders = true;
  }
  return rule;
}
