#include "app/sign_in_fields.h"

#include <QCoreApplication>

#include "service/text_codec.h"

namespace nubexa::app {

namespace {

// A field shows its placeholder in the interface's language; the source text counts too.
bool isPlaceholder(const std::string& text, const char* placeholder) {
    return text == placeholder ||
           text ==
               QCoreApplication::translate("nubexa::app::SignInWindow", placeholder).toStdString();
}

}  // namespace

SignInFields checkSignInFields(const std::string& account, const std::string& password) {
    // A hint counts as an empty field; the account is asked for first, whatever the password
    // field shows.
    SignInFields fields;
    fields.account =
        isPlaceholder(account, kAccountPlaceholderText) ? std::string() : trimSpaces(account);
    fields.password =
        isPlaceholder(password, kPasswordPlaceholderText) ? std::string() : trimSpaces(password);
    if (fields.account.empty()) {
        fields.message = kEnterUserName;
    } else if (fields.password.empty()) {
        fields.message = kEnterPassword;
    }
    return fields;
}

}  // namespace nubexa::app
