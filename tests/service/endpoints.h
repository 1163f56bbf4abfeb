#pragma once

#include <string>

namespace nubexa::test {

// The web API's paths the scripted service answers.
inline const std::string kLogin = "/OAuthService.asmx/Login";
inline const std::string kApiLogin = "/OAuthService.asmx/APILogin";
inline const std::string kGetFiles = "/UserService.asmx/GetFiles";
inline const std::string kGetFilesWithPath = "/UserService.asmx/GetFilesWhitPath";
inline const std::string kRecycle = "/UserService.asmx/GetRecycleFiles";
inline const std::string kUserInfo = "/UserService.asmx/GetUserInfo";

}  // namespace nubexa::test
