#pragma once
// Run-time errors of the lower layers: exceptions whose what() is the message.

#include <stdexcept>
#include <string>

namespace core {

class RuntimeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

} // namespace core
