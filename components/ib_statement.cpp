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
// Columns described by the prepare itself; a wider select is described
// again into a larger area.
constexpr int kColumnRoom = 16;

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

IBStatement::IBStatement(IBHandle& database) : database_(database), columns_(kColumnRoom) {}

IBStatement::~IBStatement() {
  if (!handle_) return;
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus ignored;
  ApiHandle statement(handle_);
  api.isc_dsql_free_statement(ignored.get(), statement.ptr(), DSQL_drop);
}

void IBStatement::Prepare(IBHandle& transaction, const std::string& sql, int param_count) {
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  if (!handle_) {
    ApiHandle db(database_);
    ApiHandle statement(handle_);
    api.isc_dsql_allocate_statement(status.get(), db.ptr(), statement.ptr());
  }
  status.Check();
  {
    ApiHandle tr(transaction);
    ApiHandle statement(handle_);
    api.isc_dsql_prepare(status.get(), tr.ptr(), statement.ptr(), 0, sql.c_str(), kSqlDialect,
                         columns_.get());
    status.Check();
    if (columns_.Count() > columns_.Capacity()) {
      columns_.Reserve(columns_.Count());
      api.isc_dsql_describe(status.get(), statement.ptr(), SQLDA_VERSION1, columns_.get());
      status.Check();
    }
  }
  columns_.AllocateValues();
  DescribeParams(param_count);
  type_ = QueryType(api, handle_);
}

// The marks counted in the text give the room; the server's count is the
// one used should the two differ.
void IBStatement::DescribeParams(int param_count) {
  slots_.clear();
  if (param_count == 0) return;
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  ApiHandle statement(handle_);
  if (params_.Capacity() < param_count) params_.Reserve(param_count);
  api.isc_dsql_describe_bind(status.get(), statement.ptr(), SQLDA_VERSION1, params_.get());
  status.Check();
  if (params_.Count() > params_.Capacity()) {
    params_.Reserve(params_.Count());
    api.isc_dsql_describe_bind(status.get(), statement.ptr(), SQLDA_VERSION1, params_.get());
    status.Check();
  }
  slots_.resize(static_cast<size_t>(params_.Count()));
  for (int i = 0; i < params_.Count(); ++i) slots_[static_cast<size_t>(i)].described = params_.Var(i);
}

bool IBStatement::ReturnsRows() const {
  return type_ == isc_info_sql_stmt_select || type_ == isc_info_sql_stmt_select_for_upd;
}

void IBStatement::Bind(IBHandle& transaction, const std::vector<const TIBParam*>& values) {
  if (static_cast<int>(values.size()) != params_.Count()) {
    throw EIBClientError("The statement takes " + IntToStr(params_.Count()) + " parameters, " +
                         IntToStr(static_cast<long long>(values.size())) + " given");
  }
  for (int i = 0; i < params_.Count(); ++i) {
    const auto index = static_cast<size_t>(i);
    BindOne(slots_[index], params_.Var(i), transaction, *values[index]);
  }
}

// The value is sent in a type of its own and the server converts it to the
// type the statement expects, as it does for literals; only a double for an
// integer column is converted here (BindFloat). Each bind starts from the
// description, as the previous one changed the entry's type.
void IBStatement::BindOne(ParamSlot& slot, XSQLVAR& var, IBHandle& transaction,
                          const TIBParam& value) {
  var = slot.described;
  const int described = var.sqltype & ~1;
  var.sqlind = &slot.indicator;
  slot.indicator = 0;
  const auto fixed = [&slot, &var](int type, short length) {
    var.sqltype = static_cast<ISC_SHORT>(type | 1);
    var.sqlscale = 0;
    var.sqllen = length;
    var.sqldata = reinterpret_cast<ISC_SCHAR*>(slot.fixed);
    return var.sqldata;
  };
  switch (value.ValueKind()) {
    case TIBParam::Kind::kNull:
      var.sqltype = static_cast<ISC_SHORT>(described | 1);
      slot.bytes.assign(ValueSize(var), '\0');
      var.sqldata = slot.bytes.data();
      slot.indicator = -1;
      return;
    case TIBParam::Kind::kString:
      break;
    case TIBParam::Kind::kInteger:
      if (described == SQL_BLOB) break;
      *reinterpret_cast<ISC_INT64*>(fixed(SQL_INT64, sizeof(ISC_INT64))) = value.IntegerValue();
      return;
    case TIBParam::Kind::kFloat:
      BindFloat(slot, var, value);
      return;
    case TIBParam::Kind::kDateTime:
      *reinterpret_cast<ISC_TIMESTAMP*>(fixed(SQL_TIMESTAMP, sizeof(ISC_TIMESTAMP))) =
          DateTimeToIBTimestamp(value.FloatValue());
      return;
  }
  const std::string integer_text = value.ValueKind() == TIBParam::Kind::kInteger
                                       ? IntToStr(value.IntegerValue())
                                       : std::string();
  const std::string& text =
      value.ValueKind() == TIBParam::Kind::kInteger ? integer_text : value.StringValue();
  if (described == SQL_BLOB) {
    const ISC_QUAD blob = WriteBlob(database_, transaction, text);
    var.sqltype = SQL_BLOB | 1;
    var.sqldata = reinterpret_cast<ISC_SCHAR*>(slot.fixed);
    std::memcpy(slot.fixed, &blob, sizeof blob);
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
  const auto length = static_cast<unsigned short>(text.size());
  slot.bytes.resize(text.size() + 2);
  std::memcpy(slot.bytes.data(), &length, 2);
  std::memcpy(slot.bytes.data() + 2, text.data(), text.size());
  var.sqldata = slot.bytes.data();
}

// A double for an integer column (NUMERIC and DECIMAL too) is scaled here:
// the server's own conversion multiplies in floating point and wraps near
// 2^63.
void IBStatement::BindFloat(ParamSlot& slot, XSQLVAR& var, const TIBParam& value) {
  int64_t minimum = 0;
  int64_t maximum = 0;
  var.sqldata = reinterpret_cast<ISC_SCHAR*>(slot.fixed);
  if (!StoredRange(var.sqltype & ~1, minimum, maximum)) {
    var.sqltype = SQL_DOUBLE | 1;
    var.sqlscale = 0;
    var.sqllen = sizeof(double);
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
  *reinterpret_cast<ISC_INT64*>(var.sqldata) = scaled;
}

void IBStatement::Execute(IBHandle& transaction) {
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  ApiHandle tr(transaction);
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

void IBStatement::Abandon() {
  handle_ = 0;
  cursor_open_ = false;
}

}  // namespace zelmor
