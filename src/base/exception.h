#pragma once

#include <exception>
#include <string>

namespace hotfix {

// Base of the system's errors: a Spanish message and the class name the log
// shows as "(Excepción: <class> - <message>)". "A plain error" is this class.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  virtual std::string ClassName() const { return "Exception"; }

 private:
  std::string message_;
};

// Declares an exception class deriving from `Base` that answers its own name.
#define HOTFIX_DECLARE_EXCEPTION(Name, Base)                   \
  class Name : public Base {                                   \
   public:                                                     \
    using Base::Base;                                          \
    std::string ClassName() const override { return #Name; }   \
  }

// An operating-system call failed; the message is the system's own text.
HOTFIX_DECLARE_EXCEPTION(EOSError, Exception);

// The class name of any exception, for log entries: ours answer their own,
// others are reported as what they are in the standard library.
std::string ExceptionClassName(const std::exception& error);

}  // namespace hotfix
