#pragma once

#include <ace/SOCK_Stream.h>
#include <ace/Time_Value.h>

#include <chrono>

namespace nubexa {

inline ACE_Time_Value toTimeValue(std::chrono::milliseconds value) {
    ACE_Time_Value time;
    time.msec(static_cast<long>(value.count() < 0 ? 0 : value.count()));
    return time;
}

// Closes a stream as every connection of the engine is closed: writer side, reader side, handle.
inline void closeStream(ACE_SOCK_Stream& stream) {
    stream.close_writer();
    stream.close_reader();
    stream.close();
}

}  // namespace nubexa
