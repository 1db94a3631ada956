// Failures re-raised with the name of the operation they came through.
#pragma once

#include <exception>
#include <string>

namespace zelmor {

// A new failure of the same class as `error` whose only content is the
// message "<context> -> <message>", followed by " <# <class name> #>" when
// `class_tag` is on and the text carries no " <# " yet (so a failure passing
// through several operations names its class once). Failures from outside
// the hierarchy become an Exception.
std::exception_ptr MakeContextException(const std::string& context, const std::exception& error,
                                        bool class_tag);

// Runs `body`; a failure that leaves it is replaced by
// MakeContextException(context, failure, class_tag). Wrappings nest: each
// operation a failure passes through puts its name in front.
template <typename Body>
auto WithContext(const std::string& context, bool class_tag, Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const std::exception& error) {
    std::rethrow_exception(MakeContextException(context, error, class_tag));
  }
}

}  // namespace zelmor
