#pragma once

#include "service/service_result.h"

namespace nubexa {

// What an item operation that returned `result` (1: accepted) and filled `why` came to: kNone
// only when accepted, and a refusal without words is still kRefused. Front ends word the
// network's failure (kNoAnswer, kUntrusted) apart from the service's no. `why` is taken by
// reference: it is read after the operation in the same call has filled it.
inline ServiceVerdict verdictOf(int result, const ServiceVerdict& why) {
    if (result == 1)
        return {};
    ServiceVerdict verdict = why;
    if (verdict.failure == Failure::kNone)
        verdict.failure = Failure::kRefused;
    return verdict;
}

}  // namespace nubexa
