// The picture families; each draws its pictures into the writer and returns false on an error.
#pragma once

#include "picture_writer.h"

namespace nubexa::maker {

bool drawSignIn(PictureWriter& writer);
bool drawSkins(PictureWriter& writer);
bool drawTitleBar(PictureWriter& writer);
bool drawToolbar(PictureWriter& writer);
bool drawDiskPage(PictureWriter& writer);
bool drawFileIcons(PictureWriter& writer);
bool drawDialogs(PictureWriter& writer);
bool drawAppIcons(PictureWriter& writer);

}  // namespace nubexa::maker
