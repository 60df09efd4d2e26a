#pragma once

#include "platform/odbc/odbc_handle.h"

namespace norvel::odbc {

// A new ODBC 3 environment. Throws DatabaseError.
EnvHandle allocateEnvironment();

}  // namespace norvel::odbc
