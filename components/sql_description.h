// An XSQLDA (the description of a statement's columns or parameters) with
// storage for the values it points at.
#pragma once

#include <memory>
#include <vector>

#include "components/gds_library.h"

namespace zelmor {

class SqlDescription {
 public:
  explicit SqlDescription(int capacity = 1) { Reserve(capacity); }

  XSQLDA* get() { return sqlda_; }
  // Entries the statement has (may exceed Capacity() until Reserve).
  int Count() const { return sqlda_->sqld; }
  int Capacity() const { return sqlda_->sqln; }
  XSQLVAR& Var(int index) { return sqlda_->sqlvar[index]; }

  // Room for `capacity` entries; the description itself is dropped.
  void Reserve(int capacity);
  // Points every entry at storage of its described type and length, with an
  // indicator, for fetching rows.
  void AllocateValues();
  // Zeroed storage of `bytes`, 8-byte aligned, kept as long as this object or
  // until ReleaseValues.
  char* Allocate(size_t bytes);
  void ReleaseValues() { values_.clear(); }

 private:
  std::unique_ptr<int64_t[]> block_;
  XSQLDA* sqlda_ = nullptr;
  std::vector<std::unique_ptr<int64_t[]>> values_;
};

// Bytes a value of the entry's type takes (VARCHAR with its 2-byte length).
size_t ValueSize(const XSQLVAR& var);

}  // namespace zelmor
