#pragma once
// An X server of the test's own (Xvfb), which the test can stop while a
// program still uses it.

#include <sys/types.h>

#include <string>
#include <vector>

namespace gametest {

class PrivateXServer {
  public:
    // Starts Xvfb on the first free display number, with extra arguments.
    explicit PrivateXServer(const std::vector<std::string>& extraArguments = {});
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // Whether the server is up and accepts connections.
    bool Running() const { return !name_.empty(); }
    // ":N", or empty when it did not start.
    const std::string& Name() const { return name_; }
    // Ends the server and waits until it is gone.
    void Stop();

  private:
    pid_t pid_ = -1;
    std::string name_;
};

} // namespace gametest
