#pragma once

#include <optional>
#include <string>

namespace nubexa {

// The system's file and folder choosers. The GUI shows its dialogs (owned by the main window);
// tests and scripts answer directly. Called on the user-interface thread only.
class Picker {
public:
    virtual ~Picker() = default;

    // One existing file; empty when the user cancelled.
    virtual std::optional<std::string> pickFile(const std::string& title) = 0;
    // One file-system folder; empty when the user cancelled.
    virtual std::optional<std::string> pickFolder(const std::string& title) = 0;
};

}  // namespace nubexa
