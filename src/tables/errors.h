// Failures of the file layer and the way messages reach the user.
#pragma once

#include <stdexcept>
#include <string>

namespace eiyou {

// Receives the fixed messages that the core shows to the user (UTF-8 text).
// The windows show them in a modal box with a single OK button; tests record them.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void Show(const std::string& utf8Text) = 0;
};

// An existing file that cannot be read or written. It ends the user action in
// progress: the window handler catches it and shows `what()` in an error box.
class IoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace eiyou
