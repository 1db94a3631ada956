// The exception hierarchy shared by hosts, the component runtime and Zelmor.
//
// Every failure the system raises is an Exception: a message and a class
// name, as hosts of the suite expect. Because hosts and Zelmor share this
// runtime library, an exception raised inside Zelmor reaches the host as the
// very same object with its class intact.
#pragma once

#include <cstdint>
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

// The kinds of server error a host or the pool acts on, told apart by the
// Firebird error code (components/ib_error_class.h) rather than by the
// message text.
enum class TIBErrorClass : uint8_t {
  kOther,
  // The connection to the server is gone: the server stopped or restarted,
  // the attachment killed or shut down, the network broken.
  kLostConnection,
  // Another transaction holds the record: lock conflict, deadlock, update
  // conflict, lock time-out. Trying again later may succeed.
  kLockConflict,
  // A connect the server did not answer within its bound: a listener that
  // never accepts, or accepts and never replies.
  kTimedOut,
  // A connect that failed at once: nothing listens at the port, no route.
  kRefused,
  // The server answered and refused the user name or password.
  kLoginRefused,
  // The server answered and cannot or may not open that database file.
  kDatabaseUnavailable,
};

// A server error: the server's full message with its SQLCODE, Firebird
// error code and class. Re-raising with a new message keeps the class but
// not the codes, so that a host still knows what kind of failure passed
// through the pool.
class EIBInterBaseError : public EIBError {
 public:
  explicit EIBInterBaseError(std::string message, long sql_code = 0,
                             long ib_error_code = 0,
                             TIBErrorClass error_class = TIBErrorClass::kOther)
      : EIBError(std::move(message)),
        sql_code_(sql_code),
        ib_error_code_(ib_error_code),
        error_class_(error_class) {}
  ~EIBInterBaseError() override;
  const char* ClassName() const noexcept override { return "EIBInterBaseError"; }
  [[noreturn]] void RaiseWithMessage(std::string message) const override {
    throw EIBInterBaseError(std::move(message), 0, 0, error_class_);
  }
  long SQLCode() const noexcept { return sql_code_; }
  long IBErrorCode() const noexcept { return ib_error_code_; }
  // As the raiser classified it; kOther when it did not.
  TIBErrorClass ErrorClass() const noexcept { return error_class_; }

 private:
  long sql_code_;
  long ib_error_code_;
  TIBErrorClass error_class_;
};

// The class name and message of any caught exception: ours report their own,
// foreign ones read as "Exception" with what().
const char* ClassNameOf(const std::exception& error) noexcept;

}  // namespace zelmor
