// A Java install with the stand-in runtime in the application home's "jre",
// and a check after every test that the host used JNI correctly.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/fake_jvm_control.h"
#include "tests/support/java_install.h"

class JavaHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install_.MakeStandardInstall();
    jvm_.reset(new FakeJvm(JavaInstall::JvmPath(install_.appHome() + "\\jre")));
    ASSERT_TRUE(jvm_->loaded()) << "stand-in jvm.dll not loaded: " << GetLastError();
  }
  void TearDown() override {
    EXPECT_EQ(jvm_->ViolationCount(), 0) << jvm_->Violations();
    // The places override redirected HKEY_CURRENT_USER; leave the user's
    // real key as it was.
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Velmo");
  }

  JavaInstall install_;
  std::unique_ptr<FakeJvm> jvm_;
};
