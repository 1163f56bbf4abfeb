#pragma once

#include <string>
#include <string_view>

namespace nubexa {

// Text from a server (names, replies) made safe for a terminal or a log: C0 control bytes, DEL
// and the C1 controls (U+0080 to U+009F in UTF-8) become "\xHH", so that no escape sequence
// reaches the reader. With `keepLineEnds` a line feed, a CR before one and a tab stay;
// otherwise they are escaped too (a name is one line).
std::string escapeControlBytes(std::string_view text, bool keepLineEnds = false);

}  // namespace nubexa
