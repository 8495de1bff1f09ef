// Who may change a runtime a privileged relay loads, judged on descriptors
// as Windows gives them, and which relays are privileged.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include "host/host.h"

namespace {

#define TI_SID "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
#define ADMIN_USER "S-1-5-21-1-2-3-1001"
#define PLAIN_USER "S-1-5-21-1-2-3-1002"

struct SidHolder {
  explicit SidHolder(const wchar_t* text) { ConvertStringSidToSidW(text, &sid); }
  ~SidHolder() { LocalFree(sid); }
  PSID sid = nullptr;
};

// The verdict on within the runtime and above it; self the relay's account.
struct DescriptorCase {
  const char* sddl;
  bool withinTrusted;
  bool aboveTrusted;
  const char* why;
};

const DescriptorCase kCases[] = {
    {"O:" TI_SID "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GA;;;CO)", true, true,
     "Program Files: TrustedInstaller's, users read"},
    {"O:BAD:(A;ID;FA;;;BA)(A;ID;FA;;;SY)(A;ID;0x1301bf;;;AU)(A;ID;0x1200a9;;;BU)", false, false,
     "a folder made at C:\\'s root: Authenticated Users may modify"},
    {"O:" TI_SID "D:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;0x1301bf;;;AU)(A;;0x4;;;AU)",
     false, true, "C:\\ itself: Authenticated Users may add folders, which only counts within a runtime"},
    {"O:BAD:(A;;0x2;;;BU)", false, false, "users may add files"},
    {"O:BAD:(A;;0x10000;;;AU)", false, false, "DELETE"},
    {"O:BAD:(A;;0x40;;;AU)", false, false, "FILE_DELETE_CHILD"},
    {"O:BAD:(A;;0x40000;;;BU)", false, false, "WRITE_DAC"},
    {"O:BAD:(A;;0x80000;;;BU)", false, false, "WRITE_OWNER"},
    {"O:BAD:(A;;GW;;;WD)", false, false, "GENERIC_WRITE"},
    {"O:BAD:(A;;GA;;;WD)", false, false, "GENERIC_ALL"},
    {"O:BAD:(A;;0x1200a9;;;WD)(A;;0x100;;;WD)", true, true, "read, execute and write attributes change no code"},
    {"O:BAD:(A;OICIIO;FA;;;WD)", true, true, "an inherit-only entry is judged where it lands"},
    {"O:SY", false, false, "no DACL (a NULL one) grants everyone everything"},
    {"O:BAD:", true, true, "an empty DACL grants nobody anything"},
    {"O:" PLAIN_USER "D:P(A;;FA;;;SY)(A;;FA;;;BA)", false, false, "an owner may always rewrite the DACL"},
    {"O:" PLAIN_USER "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;S-1-3-4)", true, true,
     "OWNER RIGHTS leaves the owner only reading"},
    {"O:" PLAIN_USER "D:P(A;;FA;;;SY)(A;;FA;;;S-1-3-4)", false, false, "OWNER RIGHTS grants the owner everything"},
    {"O:" ADMIN_USER "D:(A;;FA;;;SY)(A;;FA;;;" ADMIN_USER ")(A;;0x1200a9;;;WD)", true, true,
     "the relay's own account owns it"},
    {"O:BAD:(D;;FA;;;AU)(A;;FA;;;AU)", false, false, "a denying entry is not counted on"},
};

bool Judge(const char* sddl, RuntimeLevel level, PSID self, bool* parsed) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  *parsed = ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr);
  if (!*parsed) return false;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL defaulted = FALSE, present = FALSE;
  GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  bool trusted = OnlyAdministratorsMayChange(owner, present ? dacl : nullptr, level, self);
  LocalFree(descriptor);
  return trusted;
}

}  // namespace

TEST(PrivilegedRelayRuntime, OnlyAdministratorsAndItsOwnAccountMayChangeIt) {
  SidHolder self(L"" ADMIN_USER);
  for (const DescriptorCase& c : kCases) {
    bool parsed = false;
    EXPECT_EQ(Judge(c.sddl, RuntimeLevel::kWithinRuntime, self.sid, &parsed), c.withinTrusted) << c.why;
    EXPECT_EQ(Judge(c.sddl, RuntimeLevel::kAboveRuntime, self.sid, &parsed), c.aboveTrusted) << c.why;
    EXPECT_TRUE(parsed) << "ConvertStringSecurityDescriptorToSecurityDescriptorA failed: " << GetLastError() << ", "
                        << c.sddl;
  }
}

TEST(PrivilegedRelayRuntime, AnotherAccountsFolderIsNotTheRelaysOwn) {
  bool parsed = false;
  EXPECT_FALSE(Judge("O:" ADMIN_USER "D:(A;;FA;;;" ADMIN_USER ")", RuntimeLevel::kWithinRuntime, nullptr, &parsed));
  EXPECT_TRUE(parsed);
}

TEST(PrivilegedRelayRuntime, ServiceAccountsJudgeFoldersAndPassOverJavaHomeElevatedOnlyJudges) {
  const struct {
    bool relay;
    const wchar_t* user;
    bool elevated;
    bool checkFolders;
    bool passOverJavaHome;
  } cases[] = {
      {true, L"S-1-5-18", true, true, true},           {true, L"S-1-5-19", false, true, true},
      {true, L"S-1-5-20", false, true, true},          {true, L"" ADMIN_USER, true, true, false},
      {true, L"" PLAIN_USER, false, false, false},     {false, L"S-1-5-18", true, false, false},
      {false, L"" ADMIN_USER, true, false, false},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    SidHolder user(cases[i].user);
    RuntimeRule rule = RuntimeRuleFor(cases[i].relay, user.sid, cases[i].elevated);
    EXPECT_EQ(rule.checkFolders, cases[i].checkFolders) << "case " << i;
    EXPECT_EQ(rule.passOverJavaHome, cases[i].passOverJavaHome) << "case " << i;
  }
}
