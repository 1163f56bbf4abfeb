#include "sync/sync_types.h"

namespace nubexa {

const char* syncModeName(SyncMode mode) {
    switch (mode) {
        case SyncMode::kBackup:
            return "backup";
        case SyncMode::kMirror:
            return "mirror";
        case SyncMode::kTwoWay:
            return "two-way";
    }
    return "backup";
}

std::optional<SyncMode> syncModeFromName(const std::string& name) {
    for (SyncMode mode : {SyncMode::kBackup, SyncMode::kMirror, SyncMode::kTwoWay}) {
        if (name == syncModeName(mode))
            return mode;
    }
    return std::nullopt;
}

}  // namespace nubexa
