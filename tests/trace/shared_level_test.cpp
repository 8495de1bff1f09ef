// Which shared trace folders (Velmo, trace) jvmhost uses as it finds them,
// judged from their security descriptors as Windows keeps them.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "host/trace/trace_folder.h"

namespace {

#define USER "S-1-5-21-1004336348-1177238915-682003330-1001"
#define TRUSTED_INSTALLER "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
#define OURS "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ad;;;AU)"

struct LevelCase {
  const wchar_t* sddl;
  SharedLevelVerdict verdict;
  const char* why;
};

const LevelCase kLevels[] = {
    {kSharedLevelSddl, SharedLevelVerdict::kSound, "as jvmhost makes it, whoever made it"},
    {L"O:BA" OURS, SharedLevelVerdict::kSound, "made by an administrator"},
    {L"O:SYD:P(A;;FA;;;SY)(A;;0x1200ad;;;WD)", SharedLevelVerdict::kSound, "SYSTEM's, everyone may list and add"},
    {L"O:" TRUSTED_INSTALLER L"D:P(A;;FA;;;BA)", SharedLevelVerdict::kSound, "TrustedInstaller's"},
    {L"O:" USER OURS L"(A;;0x1200ad;;;OW)", SharedLevelVerdict::kSound,
     "a user's, OWNER RIGHTS leaves it no more than anyone"},
    {L"O:" USER OURS L"(D;;WD;;;OW)", SharedLevelVerdict::kSound, "a user's, OWNER RIGHTS denied"},
    {L"O:BA" OURS L"(A;OICIIO;FA;;;AU)", SharedLevelVerdict::kSound, "full control for children only"},
    {L"O:BAD:P(D;;FA;;;WD)(A;;FA;;;SY)", SharedLevelVerdict::kSound, "a deny entry"},
    {L"O:" USER OURS, SharedLevelVerdict::kOwnerUntrusted, "a user's, as jvmhost made it before"},
    {L"O:" USER OURS L"(A;OICIIO;0x1200ad;;;OW)", SharedLevelVerdict::kOwnerUntrusted,
     "OWNER RIGHTS for children only"},
    {L"" OURS, SharedLevelVerdict::kOwnerUntrusted, "no owner"},
    {L"O:BAD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SharedLevelVerdict::kDaclNotProtected, "inherits from program data"},
    {L"O:BA", SharedLevelVerdict::kNoDacl, "no DACL"},
    {L"O:BAD:P(A;;FA;;;SY)(A;;0x1200af;;;AU)", SharedLevelVerdict::kGrantsTooMuch, "every account may add files"},
    {L"O:BAD:P(A;;FA;;;SY)(A;;WD;;;BU)", SharedLevelVerdict::kGrantsTooMuch, "users may rewrite the DACL"},
    {L"O:BAD:P(A;;FA;;;SY)(A;;GA;;;WD)", SharedLevelVerdict::kGrantsTooMuch, "everyone, generic all"},
    {L"O:" USER L"D:P(A;;FA;;;SY)(A;;FA;;;OW)", SharedLevelVerdict::kGrantsTooMuch, "OWNER RIGHTS full control"},
    {L"O:" TRUSTED_INSTALLER L"D:P(A;;FA;;;" TRUSTED_INSTALLER L")", SharedLevelVerdict::kGrantsTooMuch,
     "TrustedInstaller full control as an entry"},
};

}  // namespace

TEST(SharedTraceLevels, EachDescriptorGetsItsVerdict) {
  for (const LevelCase& level : kLevels) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(level.sddl, SDDL_REVISION_1, &descriptor, nullptr))
        << level.why << ": ConvertStringSecurityDescriptorToSecurityDescriptorW failed: " << GetLastError();
    EXPECT_EQ(JudgeSharedLevel(descriptor), level.verdict) << level.why;
    LocalFree(descriptor);
  }
}

// A NULL DACL, which lets everyone do everything (made by hand: Wine's SDDL
// parser reads "D:NO_ACCESS_CONTROL" as an empty DACL).
TEST(SharedTraceLevels, NullDaclIsRefused) {
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) << GetLastError();
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) << GetLastError();
  ASSERT_TRUE(SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) << GetLastError();
  EXPECT_EQ(JudgeSharedLevel(&descriptor), SharedLevelVerdict::kNoDacl);
}
