#include "support/Application.h"

#include <stdexcept>

#include "support/Ui.h"

namespace lifto::support {

Application& App() {
  static Application app;
  return app;
}

std::string ErrorMessage(std::exception_ptr error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
  return {};
}

void Application::HandleException(std::exception_ptr error) {
  if (handler_) {
    handler_(error);
  } else {
    ShowStandardError(error);
  }
}

void Application::ShowStandardError(std::exception_ptr error) const {
  CurrentUi().ShowMessage(-1, title_, ErrorMessage(error));
}

void Application::Reset() { *this = Application{}; }

}  // namespace lifto::support
