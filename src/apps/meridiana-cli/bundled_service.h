#pragma once
// The bundled meridiana-service for one command, as the window runs it: on a loopback port the
// kernel picks, so that whatever else listens at the default address is never asked.

#include <sys/types.h>

#include <string>
#include <vector>

namespace meridiana::cli {

class BundledService {
 public:
  BundledService() = default;
  ~BundledService();  // SIGTERM, then SIGKILL after two seconds; reaped
  BundledService(const BundledService&) = delete;
  BundledService& operator=(const BundledService&) = delete;

  // Starts the program and waits up to five seconds for the line that says where it listens;
  // its "http://127.0.0.1:PORT", or empty when it did not start.
  // extra: the arguments after "--listen 127.0.0.1:0" (live data and its folder).
  std::string Start(const std::string& program, const std::vector<std::string>& extra = {});

 private:
  pid_t pid_ = -1;
};

}  // namespace meridiana::cli
