#pragma once

#include <optional>
#include <string>

namespace nubexa::cli {

struct NetrcLogin {
    std::string login;
    std::string password;
};

// The login for `host` in the text of a netrc file, read as curl and ftp(1) read it: tokens
// "machine NAME" (or "default", for any host) followed by "login" and "password"; "macdef"
// bodies are skipped; a token may be quoted ("a b"). With `user` given, only an entry with
// that login counts. Empty when no entry fits.
std::optional<NetrcLogin> findNetrcLogin(const std::string& text, const std::string& host,
                                         const std::string& user);

}  // namespace nubexa::cli
