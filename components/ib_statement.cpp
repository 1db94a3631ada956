#include "components/ib_statement.h"

#include <cstring>
#include <limits>

#include "components/ib_blob.h"
#include "components/ib_datetime.h"
#include "components/ib_status.h"
#include "components/scaled_number.h"
#include "components/sql_info.h"
#include "rtl/datetime.h"
#include "rtl/exceptions.h"
#include "rtl/format_settings.h"
#include "rtl/text.h"

namespace zelmor {

namespace {

constexpr unsigned short kSqlDialect = 3;
constexpr size_t kMaxInlineText = 32765;

int QueryType(const GDSEntries& api, IBHandle& statement) {
  const char item = isc_info_sql_stmt_type;
  char buffer[16] = {};
  IBStatus status;
  ApiHandle handle(statement);
  api.isc_dsql_sql_info(status.get(), handle.ptr(), 1, &item, sizeof buffer, buffer);
  status.Check();
  return StatementTypeFromInfo(buffer, sizeof buffer);
}

bool IsText(const XSQLVAR& var) {
  const int type = var.sqltype & ~1;
  return type == SQL_TEXT || type == SQL_VARYING;
}

// The values an integer column (NUMERIC and DECIMAL too) stores; false for
// other types.
bool StoredRange(int type, int64_t& minimum, int64_t& maximum) {
  switch (type) {
    case SQL_SHORT:
      minimum = std::numeric_limits<int16_t>::min();
      maximum = std::numeric_limits<int16_t>::max();
      return true;
    case SQL_LONG:
      minimum = std::numeric_limits<int32_t>::min();
      maximum = std::numeric_limits<int32_t>::max();
      return true;
    case SQL_INT64:
      minimum = std::numeric_limits<int64_t>::min();
      maximum = std::numeric_limits<int64_t>::max();
      return true;
    default:
      return false;
  }
}

}  // namespace

IBStatement::IBStatement(IBHandle& database, IBHandle& transaction)
    : database_(database), transaction_(transaction) {}

IBStatement::~IBStatement() {
  if (!handle_) return;
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus ignored;
  ApiHandle statement(handle_);
  api.isc_dsql_free_statement(ignored.get(), statement.ptr(), DSQL_drop);
}

void IBStatement::Prepare(const std::string& sql, bool has_params) {
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  {
    ApiHandle db(database_);
    ApiHandle statement(handle_);
    api.isc_dsql_allocate_statement(status.get(), db.ptr(), statement.ptr());
  }
  status.Check();
  {
    ApiHandle tr(transaction_);
    ApiHandle statement(handle_);
    api.isc_dsql_prepare(status.get(), tr.ptr(), statement.ptr(), 0, sql.c_str(), kSqlDialect,
                         columns_.get());
    status.Check();
    if (columns_.Count() > columns_.Capacity()) {
      columns_.Reserve(columns_.Count());
      api.isc_dsql_describe(status.get(), statement.ptr(), SQLDA_VERSION1, columns_.get());
      status.Check();
    }
    if (has_params) {
      api.isc_dsql_describe_bind(status.get(), statement.ptr(), SQLDA_VERSION1, params_.get());
      status.Check();
    }
    if (params_.Count() > params_.Capacity()) {
      params_.Reserve(params_.Count());
      api.isc_dsql_describe_bind(status.get(), statement.ptr(), SQLDA_VERSION1, params_.get());
      status.Check();
    }
  }
  columns_.AllocateValues();
  type_ = QueryType(api, handle_);
}

bool IBStatement::ReturnsRows() const {
  return type_ == isc_info_sql_stmt_select || type_ == isc_info_sql_stmt_select_for_upd;
}

void IBStatement::Bind(const std::vector<const TIBParam*>& values) {
  if (static_cast<int>(values.size()) != params_.Count()) {
    throw EIBClientError("The statement takes " + IntToStr(params_.Count()) + " parameters, " +
                         IntToStr(static_cast<long long>(values.size())) + " given");
  }
  params_.ReleaseValues();
  for (int i = 0; i < params_.Count(); ++i) BindOne(params_.Var(i), *values[static_cast<size_t>(i)]);
}

// The value is sent in a type of its own and the server converts it to the
// type the statement expects, as it does for literals; only a double for an
// integer column is converted here (BindFloat).
void IBStatement::BindOne(XSQLVAR& var, const TIBParam& value) {
  const int described = var.sqltype & ~1;
  var.sqlind = reinterpret_cast<ISC_SHORT*>(params_.Allocate(sizeof(ISC_SHORT)));
  *var.sqlind = 0;
  switch (value.ValueKind()) {
    case TIBParam::Kind::kNull:
      var.sqltype = static_cast<ISC_SHORT>(described | 1);
      var.sqldata = params_.Allocate(ValueSize(var));
      *var.sqlind = -1;
      return;
    case TIBParam::Kind::kString:
      break;
    case TIBParam::Kind::kInteger:
      if (described == SQL_BLOB) break;
      var.sqltype = SQL_INT64 | 1;
      var.sqlscale = 0;
      var.sqllen = sizeof(ISC_INT64);
      var.sqldata = params_.Allocate(sizeof(ISC_INT64));
      *reinterpret_cast<ISC_INT64*>(var.sqldata) = value.IntegerValue();
      return;
    case TIBParam::Kind::kFloat:
      BindFloat(var, value);
      return;
    case TIBParam::Kind::kDateTime:
      var.sqltype = SQL_TIMESTAMP | 1;
      var.sqlscale = 0;
      var.sqllen = sizeof(ISC_TIMESTAMP);
      var.sqldata = params_.Allocate(sizeof(ISC_TIMESTAMP));
      *reinterpret_cast<ISC_TIMESTAMP*>(var.sqldata) = DateTimeToIBTimestamp(value.FloatValue());
      return;
  }
  const std::string text = value.ValueKind() == TIBParam::Kind::kInteger
                               ? IntToStr(value.IntegerValue())
                               : value.StringValue();
  if (described == SQL_BLOB) {
    var.sqltype = SQL_BLOB | 1;
    var.sqldata = params_.Allocate(sizeof(ISC_QUAD));
    *reinterpret_cast<ISC_QUAD*>(var.sqldata) = WriteBlob(database_, transaction_, text);
    return;
  }
  if (text.size() > kMaxInlineText) {
    throw EIBClientError("Parameter " + value.Name() + ": text of " +
                         IntToStr(static_cast<long long>(text.size())) +
                         " bytes is too long for a non-blob column");
  }
  // Text keeps the character set the statement expects; for other types
  // the server parses it.
  if (!IsText(var)) var.sqlsubtype = 0;
  var.sqltype = SQL_VARYING | 1;
  var.sqlscale = 0;
  var.sqllen = static_cast<ISC_SHORT>(text.size());
  var.sqldata = params_.Allocate(text.size() + 2);
  const auto length = static_cast<unsigned short>(text.size());
  std::memcpy(var.sqldata, &length, 2);
  std::memcpy(var.sqldata + 2, text.data(), text.size());
}

// A double for an integer column (NUMERIC and DECIMAL too) is scaled here:
// the server's own conversion multiplies in floating point and wraps near
// 2^63.
void IBStatement::BindFloat(XSQLVAR& var, const TIBParam& value) {
  int64_t minimum = 0;
  int64_t maximum = 0;
  if (!StoredRange(var.sqltype & ~1, minimum, maximum)) {
    var.sqltype = SQL_DOUBLE | 1;
    var.sqlscale = 0;
    var.sqllen = sizeof(double);
    var.sqldata = params_.Allocate(sizeof(double));
    *reinterpret_cast<double*>(var.sqldata) = value.FloatValue();
    return;
  }
  int64_t scaled = 0;
  if (!DoubleToScaled(value.FloatValue(), var.sqlscale, minimum, maximum, scaled)) {
    throw EIBClientError("Parameter " + value.Name() + ": " +
                         FloatToStr(value.FloatValue(), DefaultFormatSettings()) +
                         " is out of range for its column");
  }
  var.sqltype = SQL_INT64 | 1;
  var.sqllen = sizeof(ISC_INT64);
  var.sqldata = params_.Allocate(sizeof(ISC_INT64));
  *reinterpret_cast<ISC_INT64*>(var.sqldata) = scaled;
}

void IBStatement::Execute() {
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  ApiHandle tr(transaction_);
  ApiHandle statement(handle_);
  XSQLDA* input = params_.Count() > 0 ? params_.get() : nullptr;
  if (type_ == isc_info_sql_stmt_exec_procedure && columns_.Count() > 0) {
    api.isc_dsql_execute2(status.get(), tr.ptr(), statement.ptr(), SQLDA_VERSION1, input,
                          columns_.get());
  } else {
    api.isc_dsql_execute(status.get(), tr.ptr(), statement.ptr(), SQLDA_VERSION1, input);
  }
  status.Check();
  cursor_open_ = ReturnsRows();
}

bool IBStatement::Fetch() {
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  ApiHandle statement(handle_);
  const ISC_STATUS result =
      api.isc_dsql_fetch(status.get(), statement.ptr(), SQLDA_VERSION1, columns_.get());
  if (result == 100) return false;
  status.Check();
  return true;
}

void IBStatement::CloseCursor() {
  if (!cursor_open_) return;
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  ApiHandle statement(handle_);
  api.isc_dsql_free_statement(status.get(), statement.ptr(), DSQL_close);
  cursor_open_ = false;
  status.Check();
}

void IBStatement::Free() {
  if (!handle_) return;
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  {
    ApiHandle statement(handle_);
    api.isc_dsql_free_statement(status.get(), statement.ptr(), DSQL_drop);
  }
  if (status.Failed() && !status.ConnectionLost()) status.Raise();
  handle_ = 0;
  cursor_open_ = false;
}

}  // namespace zelmor
