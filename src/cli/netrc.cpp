#include "cli/netrc.h"

#include <cctype>
#include <vector>

namespace nubexa::cli {

namespace {

struct Token {
    std::string text;
    std::size_t end = 0;  // just past it in the file's text
};

std::vector<Token> tokensOf(const std::string& text) {
    std::vector<Token> tokens;
    std::size_t at = 0;
    while (at < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[at]))) {
            ++at;
            continue;
        }
        Token token;
        if (text[at] == '"') {
            for (++at; at < text.size() && text[at] != '"'; ++at) {
                if (text[at] == '\\' && at + 1 < text.size())
                    ++at;
                token.text.push_back(text[at]);
            }
            ++at;
        } else {
            while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at])))
                token.text.push_back(text[at++]);
        }
        token.end = at;
        tokens.push_back(std::move(token));
    }
    return tokens;
}

// A macro definition runs to the first empty line.
std::size_t endOfMacro(const std::string& text, std::size_t from) {
    const auto blank = text.find("\n\n", from);
    return blank == std::string::npos ? text.size() : blank + 2;
}

}  // namespace

std::optional<NetrcLogin> findNetrcLogin(const std::string& text, const std::string& host,
                                         const std::string& user) {
    const std::vector<Token> tokens = tokensOf(text);
    std::optional<NetrcLogin> entry;  // the entry being read, when it is for `host`
    const auto fits = [&user](const std::optional<NetrcLogin>& candidate) {
        return candidate && !candidate->login.empty() && (user.empty() || candidate->login == user);
    };
    std::size_t skipUntil = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].end <= skipUntil)
            continue;
        const std::string& word = tokens[i].text;
        const bool hasValue = i + 1 < tokens.size();
        if (word == "machine" || word == "default") {
            if (fits(entry))
                return entry;
            entry.reset();
            if (word == "default" || (hasValue && tokens[i + 1].text == host))
                entry = NetrcLogin{};
            if (word == "machine")
                ++i;
        } else if (word == "login" && hasValue) {
            if (entry)
                entry->login = tokens[i + 1].text;
            ++i;
        } else if (word == "password" && hasValue) {
            if (entry)
                entry->password = tokens[i + 1].text;
            ++i;
        } else if (word == "account" && hasValue) {
            ++i;
        } else if (word == "macdef") {
            if (fits(entry))
                return entry;
            entry.reset();
            // The name ends its line; the body runs to the first empty line.
            const std::size_t nameEnd = hasValue ? tokens[i + 1].end : tokens[i].end;
            skipUntil = endOfMacro(text, text.find('\n', nameEnd));
        }
    }
    return fits(entry) ? entry : std::nullopt;
}

}  // namespace nubexa::cli
