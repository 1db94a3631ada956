// One DSQL statement on an attachment: prepare, bind, execute, fetch, free.
#pragma once

#include <string>
#include <vector>

#include "components/ib_handle.h"
#include "components/ib_param.h"
#include "components/sql_description.h"

namespace zelmor {

class IBStatement {
 public:
  // The handles belong to the database and the transaction and must outlive
  // this object.
  IBStatement(IBHandle& database, IBHandle& transaction);
  // Frees the statement; errors are swallowed (the connection may be gone).
  ~IBStatement();
  IBStatement(const IBStatement&) = delete;
  IBStatement& operator=(const IBStatement&) = delete;

  // Allocates and prepares `sql` and describes its columns, and its
  // parameters when it has ? marks (a round trip saved otherwise).
  void Prepare(const std::string& sql, bool has_params);
  // isc_info_sql_stmt_* of the prepared statement.
  int Type() const { return type_; }
  bool ReturnsRows() const;
  SqlDescription& Columns() { return columns_; }

  // Sets the parameter marks from `values`, one per mark, in order.
  void Bind(const std::vector<const TIBParam*>& values);
  // Runs the statement; a select opens its cursor, a procedure call fills
  // the columns.
  void Execute();
  // Next row into the columns; false at the end.
  bool Fetch();
  // Closes an open cursor so the statement can run again.
  void CloseCursor();
  // Frees the statement, raising EIBInterBaseError unless the connection is
  // gone (then the handle is let go quietly).
  void Free();

 private:
  void BindOne(XSQLVAR& var, const TIBParam& value);
  void BindFloat(XSQLVAR& var, const TIBParam& value);

  IBHandle& database_;
  IBHandle& transaction_;
  IBHandle handle_ = 0;
  int type_ = 0;
  bool cursor_open_ = false;
  SqlDescription columns_;
  SqlDescription params_;
};

}  // namespace zelmor
