#pragma once

#include <string>
#include <utility>

namespace nubexa {

// Why a web operation did not deliver. The front ends word each differently: a refusal is the
// user's to fix, no answer is the network's.
enum class Failure {
    kNone,
    kRefused,    // the service answered and said no (result other than "1")
    kNoAnswer,   // nothing came back after every attempt: the network or the service is down
    kMalformed,  // an answer came but could not be read
    kStopped,    // the request was cancelled (the client is shutting down)
    kStale,      // a newer request or another sign-in overtook it; its answer was dropped
    kUntrusted,  // the HTTPS peer's certificate could not be verified: nothing was sent
};

// A short English description for logs and the command line.
const char* describeFailure(Failure failure);

// The value of an operation together with why it failed. `value` holds what the operation
// returns in either case (its failure value when failed), so callers that only want the
// classic result read `.value`.
template <typename T>
struct ServiceResult {
    T value{};
    Failure failure = Failure::kNone;
    std::string message{};  // kRefused: the service's reason ("msg") when it gave one

    bool ok() const { return failure == Failure::kNone; }
    // No usable connection: nothing came back, or the peer could not be trusted.
    bool networkFailed() const {
        return failure == Failure::kNoAnswer || failure == Failure::kUntrusted;
    }

    static ServiceResult success(T value) { return {std::move(value), Failure::kNone, {}}; }
    static ServiceResult failed(Failure why, T value = T{}) { return {std::move(value), why, {}}; }
};

// The service's words for a sign-in it ended (it keeps only an account's newest sign-ins).
inline constexpr const char* kSessionEnded = "登录已失效，请重新登录";

// What an item operation came to: accepted (kNone), the request failed (no answer, ...), or
// the service refused, `message` then being its reason ("msg"; empty when it gave none).
struct ServiceVerdict {
    Failure failure = Failure::kNone;
    std::string message;

    bool accepted() const { return failure == Failure::kNone; }
    bool networkFailed() const {
        return failure == Failure::kNoAnswer || failure == Failure::kUntrusted;
    }
};

// What an operation that makes an item returns: its result (1 accepted) and the new id.
struct AddedItem {
    int result = 0;
    std::string id;       // FolderAdd: set whenever the answer names one, even when refused
    std::string message;  // the service's reason ("msg") when it refused
};

}  // namespace nubexa
