#pragma once
// Template bodies of exceptions.h.

namespace zelmor {

template <typename Body>
auto WithContext(const std::string& context, Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const Exception& error) {
    error.RaiseWithMessage(context + " -> " + error.Message());
    __builtin_unreachable();  // the virtual [[noreturn]] is not seen through
  } catch (const std::exception& error) {
    throw Exception(context + " -> " + error.what());
  }
}

}  // namespace zelmor
