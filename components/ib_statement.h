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
  // The statement lives on the attachment in `database` (the database's own
  // handle slot, which must outlive this object); each call that needs a
  // transaction is given one, as the statement may run in several.
  explicit IBStatement(IBHandle& database);
  // Drops the statement, errors swallowed; its attachment must still be
  // the one it was prepared on (Abandon otherwise).
  ~IBStatement();
  IBStatement(const IBStatement&) = delete;
  IBStatement& operator=(const IBStatement&) = delete;

  // Allocates and prepares `sql`, describes its columns and, when
  // `param_count` is not 0, its parameters, room for them made first so
  // that one description does.
  void Prepare(IBHandle& transaction, const std::string& sql, int param_count);
  // isc_info_sql_stmt_* of the prepared statement.
  int Type() const { return type_; }
  bool ReturnsRows() const;
  SqlDescription& Columns() { return columns_; }

  // Sets the parameter marks from `values`, one per mark, in order; a blob
  // value is written in `transaction`.
  void Bind(IBHandle& transaction, const std::vector<const TIBParam*>& values);
  // Runs the statement; a select opens its cursor, a procedure call fills
  // the columns.
  void Execute(IBHandle& transaction);
  // Next row into the columns; false at the end.
  bool Fetch();
  // Closes an open cursor so the statement can run again.
  void CloseCursor();
  // Drops the statement, raising EIBInterBaseError unless the connection is
  // gone (then the handle is let go quietly).
  void Free();
  // Lets go of the handle without a call: its attachment is gone, and the
  // number may already name another statement.
  void Abandon();

 private:
  // Storage a bound value points at, kept from one Bind to the next.
  struct ParamSlot {
    XSQLVAR described;  // the type the statement expects, as described
    ISC_SHORT indicator = 0;
    ISC_INT64 fixed[2] = {};  // a number, a time stamp or a blob id
    std::string bytes;        // text, or the room a NULL of the described type takes
  };
  void DescribeParams(int param_count);
  void BindOne(ParamSlot& slot, XSQLVAR& var, IBHandle& transaction, const TIBParam& value);
  static void BindFloat(ParamSlot& slot, XSQLVAR& var, const TIBParam& value);

  IBHandle& database_;
  IBHandle handle_ = 0;
  int type_ = 0;
  bool cursor_open_ = false;
  SqlDescription columns_;
  SqlDescription params_;
  std::vector<ParamSlot> slots_;
};

}  // namespace zelmor
