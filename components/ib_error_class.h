// The classes of server errors (TIBErrorClass, rtl/exceptions.h) by their
// Firebird error codes.
#pragma once

#include <exception>

#include "rtl/exceptions.h"

namespace zelmor {

// The class of a Firebird error code (the first code of a status vector).
TIBErrorClass IBErrorClassOf(long ib_error_code) noexcept;
// The class of a caught failure: the one an EIBInterBaseError carries, else
// the one of its code; kOther for every other failure.
TIBErrorClass IBErrorClassOf(const std::exception& error) noexcept;

}  // namespace zelmor
