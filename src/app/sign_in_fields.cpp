#include "app/sign_in_fields.h"

#include "service/text_codec.h"

namespace nubexa::app {

SignInFields checkSignInFields(const std::string& account, const std::string& password) {
    SignInFields fields;
    if (account == kAccountPlaceholderText) {
        fields.message = kEnterUserName;
        return fields;
    }
    if (password == kPasswordPlaceholderText) {
        fields.message = kEnterPassword;
        return fields;
    }
    fields.account = trimSpaces(account);
    fields.password = trimSpaces(password);
    if (fields.account.empty()) {
        fields.message = kEnterUserName;
    } else if (fields.password.empty()) {
        fields.message = kEnterPassword;
    }
    return fields;
}

}  // namespace nubexa::app
