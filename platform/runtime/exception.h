#pragma once

#include <exception>
#include <string>
#include <utility>

// Base of every error the system raises; holds the text shown to the user.
class Exception : public std::exception {
public:
  explicit Exception(std::string Msg) : Message(std::move(Msg)) {}
  const char* what() const noexcept override { return Message.c_str(); }

  std::string Message;
};
