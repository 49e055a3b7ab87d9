#pragma once

#include <exception>
#include <string>

// Runs Call and returns the message of the exception of type E it raised
// ("no exception", or the text of another exception, otherwise).
template <class E, class F>
std::string ErrorOf(F Call) {
  try {
    Call();
  } catch (const E& Error) {
    return Error.Message;
  } catch (const std::exception& Other) {
    return std::string("unexpected exception: ") + Other.what();
  }
  return "no exception";
}
