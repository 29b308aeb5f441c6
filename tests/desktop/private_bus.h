// A private message bus for tests: a dbus-daemon of our own, on a socket in a temporary
// directory, that any connection may join and where any name may be owned. It never touches
// the machine's system or session bus.
#pragma once

#include <sys/types.h>

#include <string>

#include "support/temp_dir.h"

namespace vidloom::testing {

class PrivateBus {
 public:
  // Starts the daemon and waits (a few seconds at most) for its address. On failure address()
  // is empty and error() tells why.
  PrivateBus();
  // Ends the daemon this object started, and waits for it.
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  const std::string& address() const { return address_; }
  const std::string& error() const { return error_; }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  std::string address_;
  std::string error_;
};

}  // namespace vidloom::testing
