// The two levels every account passes through, %ProgramData%\Velmo and
// ...\trace, may have been made by anyone: a standard user may make folders in
// program data, and may have done so before the product was installed.  What
// such a folder lets its owner and everyone else do is read off its security
// descriptor alone, so the judgement is a function of the descriptor.
#include "host/trace/trace_folder.h"

namespace {

// NT SERVICE\TrustedInstaller, the owner Windows gives the folders it ships.
struct {
  BYTE revision = SID_REVISION;
  BYTE count = 6;
  SID_IDENTIFIER_AUTHORITY authority = {SECURITY_NT_AUTHORITY};
  DWORD parts[6] = {80, 956008885, 3418522649u, 1831038044, 1853292631, 2271478464u};
} const kTrustedInstaller;

bool IsSystemOrAdministrators(PSID sid) {
  return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

bool IsTrustedOwner(PSID sid) {
  return sid != nullptr && (IsSystemOrAdministrators(sid) ||
                            EqualSid(sid, const_cast<void*>(static_cast<const void*>(&kTrustedInstaller))));
}

bool IsDenyType(BYTE type) {
  return type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_DENIED_OBJECT_ACE_TYPE ||
         type == ACCESS_DENIED_CALLBACK_ACE_TYPE || type == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE;
}

}  // namespace

SharedLevelVerdict JudgeSharedLevel(PSECURITY_DESCRIPTOR descriptor) {
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  // A NULL DACL lets everyone do everything.
  if (descriptor == nullptr || !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present ||
      dacl == nullptr) {
    return SharedLevelVerdict::kNoDacl;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  // Entries handed down from program data would be whatever its owner put there.
  if (!GetSecurityDescriptorControl(descriptor, &control, &revision) || (control & SE_DACL_PROTECTED) == 0) {
    return SharedLevelVerdict::kDaclNotProtected;
  }
  ACL_SIZE_INFORMATION sizes = {};
  if (!GetAclInformation(dacl, &sizes, sizeof sizes, AclSizeInformation)) return SharedLevelVerdict::kNoDacl;
  GENERIC_MAPPING fileRights = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  bool ownerRightsLimited = false;
  for (DWORD index = 0; index < sizes.AceCount; ++index) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(dacl, index, reinterpret_cast<void**>(&header))) return SharedLevelVerdict::kGrantsTooMuch;
    // Handed to children only; the level itself is not reached through it.
    if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
    if (IsDenyType(header->AceType)) {
      ownerRightsLimited |= IsWellKnownSid(&reinterpret_cast<ACCESS_DENIED_ACE*>(header)->SidStart,
                                           WinCreatorOwnerRightsSid) != FALSE;
      continue;
    }
    // Callback and object entries grant as well; none of them is ours.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return SharedLevelVerdict::kGrantsTooMuch;
    auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    PSID sid = &allowed->SidStart;
    ownerRightsLimited |= IsWellKnownSid(sid, WinCreatorOwnerRightsSid) != FALSE;
    ACCESS_MASK mask = allowed->Mask;
    MapGenericMask(&mask, &fileRights);
    if (!IsSystemOrAdministrators(sid) && (mask & ~kListAndAddFolder) != 0) return SharedLevelVerdict::kGrantsTooMuch;
  }
  // An owner may always rewrite the DACL, unless an OWNER RIGHTS entry
  // takes the place of what owning implies.
  PSID owner = nullptr;
  if (!ownerRightsLimited &&
      (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !IsTrustedOwner(owner))) {
    return SharedLevelVerdict::kOwnerUntrusted;
  }
  return SharedLevelVerdict::kSound;
}

const char* SharedLevelVerdictText(SharedLevelVerdict verdict) {
  switch (verdict) {
    case SharedLevelVerdict::kSound:
      return "as jvmhost makes it";
    case SharedLevelVerdict::kNoDacl:
      return "no DACL, or a NULL one";
    case SharedLevelVerdict::kDaclNotProtected:
      return "its DACL takes entries from its parent";
    case SharedLevelVerdict::kOwnerUntrusted:
      return "owned by an account other than SYSTEM, Administrators or TrustedInstaller, with no OWNER RIGHTS entry";
    case SharedLevelVerdict::kGrantsTooMuch:
      return "grants someone besides SYSTEM and Administrators more than listing and adding a folder";
  }
  return "";
}
