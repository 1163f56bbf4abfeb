#pragma once

#include <string>
#include <utility>

namespace nubexa::standin {

// Success, or a refusal with the text the service gives for it (the "msg" of an answer).
struct Outcome {
    bool ok = true;
    std::string message;

    static Outcome success() { return {}; }
    static Outcome failure(std::string text) { return {false, std::move(text)}; }
    explicit operator bool() const { return ok; }
};

}  // namespace nubexa::standin
