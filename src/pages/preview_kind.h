#pragma once

#include <QString>

namespace nubexa::pages {

// How the preview window shows a file, by its extension.
enum class PreviewKind {
    kPicture,  // a picture Qt reads (as thumbnails are made)
    kText,     // plain text: its head, read-only
    kMedia,    // sound or video, played while it comes
    kOther,    // its icon, name and size
};

// `extension` with or without its dot, any case.
PreviewKind previewKindOf(const QString& extension);

}  // namespace nubexa::pages
