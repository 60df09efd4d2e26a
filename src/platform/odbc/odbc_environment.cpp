#include "platform/odbc/odbc_environment.h"

#include "platform/odbc/odbc_sql.h"

#include "platform/odbc/odbc_diagnostic.h"

namespace norvel::odbc {

EnvHandle allocateEnvironment() {
  SQLHANDLE env = SQL_NULL_HANDLE;
  if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
    throw DatabaseError(DatabaseSituation::noEnvironment, {}, {},
                        DatabaseErrorCategory::connection);
  }
  EnvHandle handle(env);
  check(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, env, "SQLSetEnvAttr");
  return handle;
}

}  // namespace norvel::odbc
