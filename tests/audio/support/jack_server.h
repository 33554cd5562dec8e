// A private JACK server (dummy driver) for one test, ended when the object goes.
#pragma once

#include <sys/types.h>

#include <string>

#include "support/temp_dir.h"

namespace luma::test {

class JackServer {
  public:
    JackServer(int rate, int period);  // starts jackd under a name of its own
    ~JackServer();  // SIGTERM, SIGKILL if it lingers; it also dies with the test process
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    bool running();  // false once it has exited, or if it never started
    const std::string& name() const { return name_; }
    std::string problem() const;  // why it may not be running: its log

  private:
    TempDir dir_;
    std::string name_;
    pid_t pid_ = -1;
};

}  // namespace luma::test
