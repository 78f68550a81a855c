#pragma once

#include <exception>
#include <functional>
#include <string>

/// The application object every part of the tool shares: its title, the request to end, the
/// tag switch and the handler of errors that no caller catches.
namespace lifto::support {

class Application {
 public:
  using ExceptionHandler = std::function<void(std::exception_ptr)>;

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  /// Asks the message loop to end; the loop finishes once the current handler returns.
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  /// Exit status the program ends with: 0 work done or window closed, 1 failure or refusal,
  /// 2 environment unusable.
  int ExitCode() const { return exitCode_; }
  void SetExitCode(int code) { exitCode_ = code; }

  /// The tag switch: a value other than 0 turns the translation of database errors off.
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  /// Installs the handler of uncaught errors; an empty handler restores the standard display.
  void SetExceptionHandler(ExceptionHandler handler) { handler_ = std::move(handler); }
  /// Passes an error that escaped an event handler to the installed handler.
  void HandleException(std::exception_ptr error);
  /// The standard error display: the error's message in the standard error box.
  void ShowStandardError(std::exception_ptr error) const;

  /// Resets everything to the start-up state (tests).
  void Reset();

 private:
  std::string title_;
  bool terminated_ = false;
  int exitCode_ = 0;
  int tag_ = 0;
  ExceptionHandler handler_;
};

/// The one application object.
Application& App();

/// The message text of an error (what() of a std::exception, else a generic text).
std::string ErrorMessage(std::exception_ptr error);

}  // namespace lifto::support
