#pragma once

#include "standin/store/content_area.h"
#include "standin/store/sql_database.h"

namespace nubexa::standin {

// Creates the demo accounts with a populated disk: "demo" / "demo123" (VIP and direct links
// open, folders with a protected one, files of several kinds, a shared file, a direct-linked
// file, an item in the recycle bin) and "guest" / "guest123". An account that exists already is
// left as it is, so running it again changes nothing.
Outcome seedDemo(SqlDatabase& database, const ContentArea& content);

}  // namespace nubexa::standin
