// Blob contents read and written whole, in segments.
#pragma once

#include <string>
#include <string_view>

#include "components/ib_handle.h"

namespace zelmor {

std::string ReadBlob(IBHandle& database, IBHandle& transaction, ISC_QUAD id);
ISC_QUAD WriteBlob(IBHandle& database, IBHandle& transaction, std::string_view bytes);

}  // namespace zelmor
