#include "components/sql_description.h"

namespace zelmor {

void SqlDescription::Reserve(int capacity) {
  if (capacity < 1) capacity = 1;
  const size_t bytes = XSQLDA_LENGTH(capacity);
  block_.reset(new int64_t[(bytes + 7) / 8]());
  sqlda_ = reinterpret_cast<XSQLDA*>(block_.get());
  sqlda_->version = SQLDA_VERSION1;
  sqlda_->sqln = static_cast<ISC_SHORT>(capacity);
  values_.clear();
}

char* SqlDescription::Allocate(size_t bytes) {
  values_.emplace_back(new int64_t[(bytes + 7) / 8 + 1]());
  return reinterpret_cast<char*>(values_.back().get());
}

size_t ValueSize(const XSQLVAR& var) {
  const size_t length = static_cast<unsigned short>(var.sqllen);
  return (var.sqltype & ~1) == SQL_VARYING ? length + 2 : length;
}

void SqlDescription::AllocateValues() {
  values_.clear();
  const auto aligned = [](size_t bytes) { return (bytes + 7) / 8 * 8; };
  size_t total = 0;
  for (int i = 0; i < Count(); ++i) total += aligned(ValueSize(Var(i))) + 8;
  // One block for the whole row: a value, then its indicator, each aligned.
  char* next = Allocate(total);
  for (int i = 0; i < Count(); ++i) {
    XSQLVAR& var = Var(i);
    var.sqldata = next;
    next += aligned(ValueSize(var));
    var.sqlind = reinterpret_cast<ISC_SHORT*>(next);
    next += 8;
  }
}

}  // namespace zelmor
