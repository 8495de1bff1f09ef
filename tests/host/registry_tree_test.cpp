// Deleting a registry subtree, against the real registry.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "host/host.h"

namespace {

const char kTestRoot[] = "Software\\JvmhostTests\\RegTree";

bool KeyExists(const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void CreateKeyWithValue(const std::string& path) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS) << path;
  DWORD data = 7;
  RegSetValueExA(key, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
  RegCloseKey(key);
}

class DeleteRegTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kTestRoot, &root_), ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(root_);
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
  }
  HKEY root_ = nullptr;
};

}  // namespace

TEST_F(DeleteRegTreeTest, EmptyOrNullNameIsBadKeyAndTouchesNothing) {
  EXPECT_EQ(DeleteRegTree(root_, ""), ERROR_BADKEY);
  EXPECT_EQ(DeleteRegTree(root_, nullptr), ERROR_BADKEY);
  EXPECT_TRUE(KeyExists(kTestRoot));
}

TEST_F(DeleteRegTreeTest, MissingKeyGivesTheOpenError) {
  EXPECT_EQ(DeleteRegTree(root_, "NoSuchKey"), ERROR_FILE_NOT_FOUND);
}

TEST_F(DeleteRegTreeTest, ThreeLevelTreeGoesWithItsValuesAndLeavesSiblings) {
  std::string base = std::string(kTestRoot) + "\\Velmo";
  CreateKeyWithValue(base + "\\A\\A1\\A11");
  CreateKeyWithValue(base + "\\A\\A2");
  CreateKeyWithValue(base + "\\B");
  CreateKeyWithValue(std::string(kTestRoot) + "\\Sibling");

  EXPECT_EQ(DeleteRegTree(root_, "Velmo"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(base.c_str()));
  EXPECT_TRUE(KeyExists((std::string(kTestRoot) + "\\Sibling").c_str()));
}

TEST_F(DeleteRegTreeTest, NestedNameIsDeletedBelowItsParent) {
  std::string base = std::string(kTestRoot) + "\\Outer\\Inner";
  CreateKeyWithValue(base + "\\Leaf");
  EXPECT_EQ(DeleteRegTree(root_, "Outer\\Inner"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(base.c_str()));
  EXPECT_TRUE(KeyExists((std::string(kTestRoot) + "\\Outer").c_str()));
}
