#pragma once

#include "standin/store/sql_database.h"

namespace nubexa::standin {

// Creates the service's tables when missing and the three default notices on a new database.
// Safe to run at every start.
Outcome createSchema(SqlDatabase& database);

}  // namespace nubexa::standin
