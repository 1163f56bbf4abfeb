#pragma once

namespace nubexa {

// Grants the connections a download opens beside its own, one at a time, so that whoever
// bounds the connections of the process counts them with its others. Thread-safe.
class ExtraConnections {
public:
    virtual ~ExtraConnections() = default;
    // Whether one more connection may be opened now; each true is matched by one release().
    virtual bool tryAcquire() = 0;
    // A connection acquired with tryAcquire() is closed.
    virtual void release() = 0;
};

}  // namespace nubexa
