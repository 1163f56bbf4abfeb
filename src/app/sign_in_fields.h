#pragma once

#include <QtGlobal>

#include <string>

namespace nubexa::app {

inline constexpr const char* kAccountPlaceholderText =
    QT_TRANSLATE_NOOP("nubexa::app::SignInWindow", "请输入账户(id、昵称、邮箱均可)");
inline constexpr const char* kPasswordPlaceholderText =
    QT_TRANSLATE_NOOP("nubexa::app::SignInWindow", "密码");
inline constexpr const char* kEnterUserName = QT_TRANSLATE_NOOP("Messages", "请输入用户名");
inline constexpr const char* kEnterPassword = QT_TRANSLATE_NOOP("Messages", "请输入密码");

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
