#include "tools/context_exception.h"

#include "rtl/exceptions.h"
#include "rtl/format.h"

namespace zelmor {

std::exception_ptr MakeContextException(const std::string& context, const std::exception& error,
                                        bool class_tag) {
  std::string text = Format("%s -> %s", {context, error.what()});
  if (class_tag && text.find(" <# ") == std::string::npos)
    text += std::string(" <# ") + ClassNameOf(error) + " #>";
  try {
    if (const auto* ours = dynamic_cast<const Exception*>(&error)) ours->RaiseWithMessage(text);
    throw Exception(text);
  } catch (...) {
    return std::current_exception();
  }
}

}  // namespace zelmor
