#pragma once

#include <string>

namespace nubexa::app {

inline constexpr const char* kAccountPlaceholderText = "请输入账户(id、昵称、邮箱均可)";
inline constexpr const char* kPasswordPlaceholderText = "密码";
inline constexpr const char* kEnterUserName = "请输入用户名";
inline constexpr const char* kEnterPassword = "请输入密码";

// The sign-in fields as Login gets them: a field still showing its placeholder counts as
// empty, spaces at both ends are dropped. `message` is what to tell the user when a field is
// empty (the account first); empty when both are filled.
struct SignInFields {
    std::string account;
    std::string password;
    std::string message;
};

SignInFields checkSignInFields(const std::string& account, const std::string& password);

}  // namespace nubexa::app
