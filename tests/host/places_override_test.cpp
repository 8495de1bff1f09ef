// The places override: HKEY_CURRENT_USER redirected once per process into
// "Velmo" below the user's real key, with the places-bar policy in it.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "host/host.h"

namespace {

const char kPlacesBar[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar";

// The user's real key; RegOpenCurrentUser is not a predefined handle, so the
// redirection does not apply to it.
class RealUserKey {
 public:
  RealUserKey() { RegOpenCurrentUser(KEY_ALL_ACCESS, &key_); }
  ~RealUserKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

bool SubkeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool ReadPlace(HKEY root, const std::string& keyPath, const char* value, DWORD* data) {
  DWORD type = 0;
  DWORD size = sizeof *data;
  return RegGetValueA(root, keyPath.c_str(), value, RRF_RT_ANY, &type, data, &size) == ERROR_SUCCESS &&
         type == REG_DWORD && size == 4;
}

class PlacesOverrideTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(real_.get(), nullptr) << "RegOpenCurrentUser failed";
    RegDeleteTreeA(real_.get(), "Velmo");
    RegDeleteTreeA(real_.get(), kPlacesBar);
  }
  void TearDown() override {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegDeleteTreeA(real_.get(), "Velmo");
  }
  RealUserKey real_;
};

}  // namespace

TEST_F(PlacesOverrideTest, PlacesBarIsReadableThroughCurrentUserAndRealPolicyUntouched) {
  InstallPlacesOverride();

  const char* names[] = {"Place0", "Place1", "Place2", "Place3", "Place4"};
  const DWORD expected[] = {8, 0, 5, 17, 34};
  for (int i = 0; i < 5; ++i) {
    DWORD viaCurrentUser = 99;
    EXPECT_TRUE(ReadPlace(HKEY_CURRENT_USER, kPlacesBar, names[i], &viaCurrentUser)) << names[i];
    EXPECT_EQ(viaCurrentUser, expected[i]) << names[i];
    DWORD inPrivate = 99;
    EXPECT_TRUE(ReadPlace(real_.get(), std::string("Velmo\\") + kPlacesBar, names[i], &inPrivate)) << names[i];
    EXPECT_EQ(inPrivate, expected[i]) << names[i];
  }
  EXPECT_FALSE(SubkeyExists(real_.get(), kPlacesBar)) << "the user's real policy key was written";
}

TEST_F(PlacesOverrideTest, LaterInstallsDoNotPushTheMappingDeeper) {
  InstallPlacesOverride();
  InstallPlacesOverride();
  InstallPlacesOverride();
  EXPECT_FALSE(SubkeyExists(real_.get(), "Velmo\\Velmo"));
  DWORD place = 0;
  EXPECT_TRUE(ReadPlace(real_.get(), std::string("Velmo\\") + kPlacesBar, "Place4", &place));
  EXPECT_EQ(place, 34u);
}

TEST_F(PlacesOverrideTest, ValuesDeletedMeanwhileAreWrittenAgainByTheNextInstall) {
  InstallPlacesOverride();
  ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Software"), ERROR_SUCCESS);
  InstallPlacesOverride();
  DWORD place = 0;
  EXPECT_TRUE(ReadPlace(HKEY_CURRENT_USER, kPlacesBar, "Place2", &place));
  EXPECT_EQ(place, 5u);
}

TEST_F(PlacesOverrideTest, BridgeTeardownKeepsTheSubtreeOtherBridgesRelyOn) {
  InstallPlacesOverride();
  DestroyBridge(nullptr);
  EXPECT_TRUE(SubkeyExists(real_.get(), std::string("Velmo\\") + kPlacesBar));
  DWORD place = 0;
  EXPECT_TRUE(ReadPlace(HKEY_CURRENT_USER, kPlacesBar, "Place0", &place));
}

TEST_F(PlacesOverrideTest, TeardownRemovesANestedLeftoverOfEarlierRuns) {
  InstallPlacesOverride();
  HKEY nested = nullptr;
  ASSERT_EQ(RegCreateKeyA(real_.get(), "Velmo\\Velmo\\Software", &nested), ERROR_SUCCESS);
  RegCloseKey(nested);
  DestroyBridge(nullptr);
  EXPECT_FALSE(SubkeyExists(real_.get(), "Velmo\\Velmo"));
  EXPECT_TRUE(SubkeyExists(real_.get(), std::string("Velmo\\") + kPlacesBar));
}

TEST_F(PlacesOverrideTest, TeardownInAProcessWithoutOverrideLeavesAnotherProcessSubtree) {
  // Another of the product's processes (the launcher, say) redirected into
  // the same private subtree; this process has made no bridge yet.
  HKEY shared = nullptr;
  ASSERT_EQ(RegCreateKeyA(real_.get(), (std::string("Velmo\\") + kPlacesBar).c_str(), &shared), ERROR_SUCCESS);
  RegCloseKey(shared);
  DestroyBridge(nullptr);
  EXPECT_TRUE(SubkeyExists(real_.get(), std::string("Velmo\\") + kPlacesBar));
}
