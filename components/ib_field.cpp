#include "components/ib_field.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "components/ib_blob.h"
#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_datetime.h"
#include "components/ib_transaction.h"
#include "components/scaled_number.h"
#include "rtl/exceptions.h"
#include "rtl/format_settings.h"
#include "rtl/text.h"

namespace zelmor {

namespace {

const XSQLVAR& Column(const void* column) { return *static_cast<const XSQLVAR*>(column); }

int TypeOf(const XSQLVAR& var) { return var.sqltype & ~1; }

template <typename T>
T Read(const XSQLVAR& var) {
  T value;
  std::memcpy(&value, var.sqldata, sizeof value);
  return value;
}

bool IsInteger(int type) { return type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64; }

int64_t IntegerOf(const XSQLVAR& var) {
  switch (TypeOf(var)) {
    case SQL_SHORT: return Read<int16_t>(var);
    case SQL_LONG: return Read<int32_t>(var);
    default: return Read<int64_t>(var);
  }
}

[[noreturn]] void CannotConvert(const std::string& field, const char* target) {
  throw EConvertError("Field " + field + " cannot be read as " + target);
}

}  // namespace

bool TIBField::IsNull() const {
  const XSQLVAR& var = Column(column_);
  return (var.sqltype & 1) && *var.sqlind < 0;
}

std::string TIBField::AsString() const {
  if (IsNull()) return {};
  const XSQLVAR& var = Column(column_);
  const int type = TypeOf(var);
  switch (type) {
    case SQL_TEXT:
      return std::string(var.sqldata, static_cast<unsigned short>(var.sqllen));
    case SQL_VARYING: {
      // The length comes from the server; the buffer holds sqllen bytes.
      const unsigned short length = Read<unsigned short>(var);
      if (length > static_cast<unsigned short>(var.sqllen)) {
        throw EIBClientError("Field " + name_ + ": the server sent " + IntToStr(length) +
                             " bytes for a column of " +
                             IntToStr(static_cast<unsigned short>(var.sqllen)));
      }
      return std::string(var.sqldata + 2, length);
    }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
      return ScaledText(IntegerOf(var), var.sqlscale, DefaultFormatSettings().decimal_separator);
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return FloatToStr(AsFloat(), DefaultFormatSettings());
    case SQL_TYPE_DATE:
      return FormatDateTime("ddddd", AsDateTime(), DefaultFormatSettings());
    case SQL_TYPE_TIME:
      return FormatDateTime("tt", AsDateTime(), DefaultFormatSettings());
    case SQL_TIMESTAMP:
      return FormatDateTime("c", AsDateTime(), DefaultFormatSettings());
    case SQL_BOOLEAN:
      return Read<unsigned char>(var) ? "True" : "False";
    case SQL_BLOB:
      return ReadBlob(dataset_.database_->Handle(), dataset_.transaction_->Handle(),
                      Read<ISC_QUAD>(var));
    default:
      CannotConvert(name_, "text");
  }
}

int64_t TIBField::AsInt64() const {
  if (IsNull()) return 0;
  const XSQLVAR& var = Column(column_);
  const int type = TypeOf(var);
  if (IsInteger(type)) {
    int64_t value = 0;
    if (!ScaledToInteger(IntegerOf(var), var.sqlscale, value)) {
      throw EConvertError("Field " + name_ + ": value out of integer range");
    }
    return value;
  }
  if (type == SQL_BOOLEAN) return Read<unsigned char>(var) ? 1 : 0;
  if (type == SQL_TEXT || type == SQL_VARYING || type == SQL_BLOB) {
    const std::string text = Trim(AsString());
    long long value = 0;
    if (!TryStrToInt(text, value)) throw EConvertError("'" + text + "' is not a valid integer value");
    return value;
  }
  if (type == SQL_FLOAT || type == SQL_DOUBLE || type == SQL_D_FLOAT) {
    const double value = std::round(AsFloat());
    if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) {
      throw EConvertError("Field " + name_ + ": value out of integer range");
    }
    return static_cast<int64_t>(value);
  }
  CannotConvert(name_, "an integer");
}

int32_t TIBField::AsInteger() const {
  const int64_t value = AsInt64();
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    throw EConvertError("Field " + name_ + ": " + IntToStr(value) + " is out of integer range");
  }
  return static_cast<int32_t>(value);
}

double TIBField::AsFloat() const {
  if (IsNull()) return 0;
  const XSQLVAR& var = Column(column_);
  const int type = TypeOf(var);
  switch (type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
      return ScaledToDouble(IntegerOf(var), var.sqlscale);
    case SQL_FLOAT:
      return Read<float>(var);
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return Read<double>(var);
    case SQL_BOOLEAN:
      return Read<unsigned char>(var) ? 1 : 0;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TIMESTAMP:
      return AsDateTime();
    case SQL_TEXT:
    case SQL_VARYING:
    case SQL_BLOB: {
      const std::string text = Trim(AsString());
      double value = 0;
      if (!TryStrToFloat(text, value, DefaultFormatSettings())) {
        throw EConvertError("'" + text + "' is not a valid floating point value");
      }
      return value;
    }
    default:
      CannotConvert(name_, "a number");
  }
}

DateTime TIBField::AsDateTime() const {
  if (IsNull()) return 0;
  const XSQLVAR& var = Column(column_);
  switch (TypeOf(var)) {
    case SQL_TYPE_DATE:
      return IBDateToDateTime(Read<ISC_DATE>(var));
    case SQL_TYPE_TIME:
      return IBTimeToDateTime(Read<ISC_TIME>(var));
    case SQL_TIMESTAMP:
      return IBTimestampToDateTime(Read<ISC_TIMESTAMP>(var));
    case SQL_TEXT:
    case SQL_VARYING: {
      const std::string text = Trim(AsString());
      DateTime value = 0;
      if (!TryStrToDateTime(text, value, DefaultFormatSettings())) {
        throw EConvertError("'" + text + "' is not a valid date and time");
      }
      return value;
    }
    default:
      CannotConvert(name_, "a date and time");
  }
}

}  // namespace zelmor
