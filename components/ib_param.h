// A named parameter of a dataset's statement: a typed value or NULL, which
// the server converts to the type the statement expects.
#pragma once

#include <cstdint>
#include <string>

#include "rtl/datetime.h"

namespace zelmor {

class TIBParam {
 public:
  enum class Kind { kNull, kString, kInteger, kFloat, kDateTime };

  explicit TIBParam(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  Kind ValueKind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::kNull; }
  void Clear() { kind_ = Kind::kNull; }

  // Text crosses in the connection's character set, byte for byte; a text
  // for a blob column becomes the blob's content, of any size.
  void SetAsString(std::string value) {
    kind_ = Kind::kString;
    text_ = std::move(value);
  }
  void SetAsInteger(int64_t value) {
    kind_ = Kind::kInteger;
    integer_ = value;
  }
  void SetAsFloat(double value) {
    kind_ = Kind::kFloat;
    number_ = value;
  }
  void SetAsDateTime(DateTime value) {
    kind_ = Kind::kDateTime;
    number_ = value;
  }

  const std::string& StringValue() const { return text_; }
  int64_t IntegerValue() const { return integer_; }
  double FloatValue() const { return number_; }

 private:
  std::string name_;
  Kind kind_ = Kind::kNull;
  std::string text_;
  int64_t integer_ = 0;
  double number_ = 0;
};

}  // namespace zelmor
