#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "standin/service_context.h"
#include "standin/store/account_store.h"

namespace nubexa::standin {

// The outcome of a password sign-in; `refusal` says why there is no account.
struct SignInAttempt {
    std::optional<Account> account;
    std::string refusal;
};

inline constexpr const char* kWrongPassword = "用户名或密码错误";
// "登录失败次数过多，请N分钟后再试".
std::string tooManySignIns(std::chrono::seconds wait);

// Every password sign-in of the web API and the site's forms goes through here. Wrong
// passwords are counted (GuessThrottle) per account, whichever of its names was typed, and
// address, per address, and per account: a guesser locks himself out, not the owner. The
// count is asked before the deliberately slow hash, so a flood of guesses is refused without
// costing the machine its processors.
SignInAttempt throttledSignIn(const ServiceContext& service, const std::string& name,
                              const std::string& password, const std::string& address);

}  // namespace nubexa::standin
