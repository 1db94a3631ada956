// A column of an open dataset's current row, read through typed getters.
#pragma once

#include <cstdint>
#include <string>

#include "rtl/datetime.h"

namespace zelmor {

class TIBDataSet;

class TIBField {
 public:
  // `column` is the dataset's description of the column (an XSQLVAR), kept
  // opaque so that hosts never need the client's headers.
  TIBField(TIBDataSet& dataset, const void* column, std::string name)
      : dataset_(dataset), column_(column), name_(std::move(name)) {}

  // The column's alias (its name when it has no alias).
  const std::string& FieldName() const { return name_; }

  bool IsNull() const;
  // NULL reads as "" or 0. A getter that cannot convert the value raises
  // EConvertError. Text and blobs come as the bytes the server sent.
  // NUMERIC and DECIMAL read exactly: AsString is the server's decimal text
  // with every digit of the scale ("0.3000" for NUMERIC(18,4), with the
  // format settings' decimal separator), AsFloat the double nearest to it,
  // AsInt64 and AsInteger the whole number nearest to it, halves away from
  // zero (2.5 is 3, -2.5 is -3), as for floating-point columns.
  std::string AsString() const;
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsFloat() const;
  DateTime AsDateTime() const;
  bool AsBoolean() const { return AsInt64() != 0; }

 private:
  TIBDataSet& dataset_;
  const void* column_;
  std::string name_;
};

}  // namespace zelmor
