// The exception hierarchy shared by hosts, the component runtime and Zelmor.
//
// Every failure the system raises is an Exception: a message and a class
// name, as hosts of the suite expect. Because hosts and Zelmor share this
// runtime library, an exception raised inside Zelmor reaches the host as the
// very same object with its class intact.
#pragma once

#include <exception>
#include <memory>
#include <string>

namespace zelmor {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  ~Exception() override;

  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }
  virtual const char* ClassName() const noexcept { return "Exception"; }

  // Raises a new exception of this object's exact class carrying only
  // `message`; nothing else of this object is carried over.
  [[noreturn]] virtual void RaiseWithMessage(std::string message) const {
    throw Exception(std::move(message));
  }

 private:
  std::string message_;
};

// Declares an exception class with its class name and the re-raise of its
// exact class.
#define ZELMOR_DECLARE_EXCEPTION(Name, Base)                             \
  class Name : public Base {                                             \
   public:                                                               \
    using Base::Base;                                                    \
    ~Name() override;                                                    \
    const char* ClassName() const noexcept override { return #Name; }    \
    [[noreturn]] void RaiseWithMessage(std::string message) const override { \
      throw Name(std::move(message));                                    \
    }                                                                    \
  }

// Conversions that fail (dates, numbers, format arguments).
ZELMOR_DECLARE_EXCEPTION(EConvertError, Exception);
// OS failures carrying no stream context.
ZELMOR_DECLARE_EXCEPTION(EOSError, Exception);
// File streams: open, create, read and write failures.
ZELMOR_DECLARE_EXCEPTION(EStreamError, Exception);
ZELMOR_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
ZELMOR_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
ZELMOR_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
ZELMOR_DECLARE_EXCEPTION(EReadError, EStreamError);
ZELMOR_DECLARE_EXCEPTION(EWriteError, EStreamError);
// INI files.
ZELMOR_DECLARE_EXCEPTION(EIniFileException, Exception);
// Components: names refused, wrong owner.
ZELMOR_DECLARE_EXCEPTION(EComponentError, Exception);
// The database components: client-side misuse and server errors.
ZELMOR_DECLARE_EXCEPTION(EIBError, Exception);
ZELMOR_DECLARE_EXCEPTION(EIBClientError, EIBError);

// A server error: the server's full message with its SQLCODE and Firebird
// error code. Re-raising with a new message keeps only the message.
class EIBInterBaseError : public EIBError {
 public:
  explicit EIBInterBaseError(std::string message, long sql_code = 0,
                             long ib_error_code = 0)
      : EIBError(std::move(message)),
        sql_code_(sql_code),
        ib_error_code_(ib_error_code) {}
  ~EIBInterBaseError() override;
  const char* ClassName() const noexcept override { return "EIBInterBaseError"; }
  [[noreturn]] void RaiseWithMessage(std::string message) const override {
    throw EIBInterBaseError(std::move(message));
  }
  long SQLCode() const noexcept { return sql_code_; }
  long IBErrorCode() const noexcept { return ib_error_code_; }

 private:
  long sql_code_;
  long ib_error_code_;
};

// The class name and message of any caught exception: ours report their own,
// foreign ones read as "Exception" with what().
const char* ClassNameOf(const std::exception& error) noexcept;

}  // namespace zelmor
