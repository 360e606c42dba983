#include <gtest/gtest.h>

#include "platform/dao/ConnectString.h"

namespace tav {
namespace {

TEST(ConnectStringTest, PasswordFormsTheProgramAndUsersWrite) {
  EXPECT_EQ(ConnectPassword("; pwd=secret;"), "secret");
  EXPECT_EQ(ConnectPassword(";pwd=secret"), "secret");
  EXPECT_EQ(ConnectPassword("PWD=secret"), "secret");
  EXPECT_EQ(ConnectPassword("MS Access;PWD=secret;"), "secret");
  EXPECT_EQ(ConnectPassword(";  Pwd  =secret;"), "secret");
  EXPECT_EQ(ConnectPassword(";uid=admin;pwd=Se Cret ;"), "Se Cret ");  // value kept as it stands
  EXPECT_EQ(ConnectPassword(";pwd=a=b;"), "a=b");
}

TEST(ConnectStringTest, MissingEmptyAndRepeatedKeys) {
  EXPECT_EQ(ConnectPassword(""), "");
  EXPECT_EQ(ConnectPassword(";;"), "");
  EXPECT_EQ(ConnectPassword(";pwd=;"), "");
  EXPECT_EQ(ConnectPassword(";password=x;"), "");  // only "pwd" names the password
  EXPECT_EQ(ConnectPassword(";pwdx=x;xpwd=y"), "");
  EXPECT_EQ(ConnectPassword(";pwd=first;pwd=last"), "last");
  EXPECT_FALSE(ConnectValue(";uid=admin", "pwd").has_value());
  EXPECT_EQ(ConnectValue(";uid=admin", "UID").value_or("?"), "admin");
}

}  // namespace
}  // namespace tav
