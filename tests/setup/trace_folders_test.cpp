// The owner and DACL the installation gives jvmhost's shared trace folders,
// judged from their SDDL: what each account may do there.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "setup/setup.h"

TEST(TraceFolders, AdministratorsOwnThemAndOthersOnlyListAndAddAFolder) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(
      ConvertStringSecurityDescriptorToSecurityDescriptorW(kSharedTraceFolderSddl, SDDL_REVISION_1, &descriptor, nullptr))
      << GetLastError();
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED) << "ProgramData's inheritable entries (CREATOR OWNER) must not reach them";
  PSID owner = nullptr;
  BOOL defaulted = FALSE, present = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor, &owner, &defaulted));
  EXPECT_TRUE(IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) && present && dacl != nullptr);
  // List and add a folder: no file, no deletion, no DACL or owner change.
  const DWORD listAndAddFolder = SYNCHRONIZE | READ_CONTROL | FILE_READ_ATTRIBUTES | FILE_TRAVERSE | FILE_READ_EA |
                                 FILE_ADD_SUBDIRECTORY | FILE_LIST_DIRECTORY;
  const struct {
    WELL_KNOWN_SID_TYPE account;
    DWORD mask;
    BYTE flags;
  } kEntries[] = {{WinLocalSystemSid, FILE_ALL_ACCESS, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE},
                  {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE},
                  {WinAuthenticatedUserSid, listAndAddFolder, 0},
                  {WinCreatorOwnerRightsSid, listAndAddFolder, 0}};  // the owner gains nothing beyond
  ASSERT_EQ(dacl->AceCount, sizeof kEntries / sizeof kEntries[0]);
  for (WORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
    EXPECT_EQ(ace->Header.AceFlags, kEntries[i].flags) << i;
    EXPECT_EQ(ace->Mask, kEntries[i].mask) << i;
    EXPECT_TRUE(IsWellKnownSid(&ace->SidStart, kEntries[i].account)) << i;
  }
  LocalFree(descriptor);
}
