#pragma once

#include <QString>
#include <string>

namespace nubexa::app {

// A text the core composed (a message, a reason, a picker's title) in the interface's language.
// The core writes Chinese, sometimes around data: a count ("3 个…"), a name in front
// ("(name）…") or after a colon ("…：name"). The fixed part is looked up in the "Messages"
// catalog with the data as %1, %2; a text with no entry is shown as it came.
QString coreText(const std::string& text);

}  // namespace nubexa::app
