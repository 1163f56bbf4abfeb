// One PNG showing every picture of the catalog with its path, for reviewing the whole set at once.
#pragma once

#include <QImage>
#include <QString>

namespace nubexa::maker {

// Reads each catalog picture back from `imageDir`; missing ones show as a red cell.
QImage contactSheet(const QString& imageDir);

}  // namespace nubexa::maker
