#pragma once
// The bundled meridiana-service for one command, as the window runs it: on a loopback port the
// kernel picks, so that whatever else listens at the default address is never asked.

#include <sys/types.h>

#include <string>

namespace meridiana::cli {

class BundledService {
 public:
  BundledService() = default;
  ~BundledService();  // SIGTERM, then SIGKILL after two seconds; reaped
  BundledService(const BundledService&) = delete;
  BundledService& operator=(const BundledService&) = delete;

  // Starts the program and waits up to five seconds for the line that says where it listens;
  // its "http://127.0.0.1:PORT", or empty when it did not start.
  std::string Start(const std::string& program);

 private:
  pid_t pid_ = -1;
};

}  // namespace meridiana::cli
