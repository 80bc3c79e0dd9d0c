#pragma once
// The full-screen saver's lock on return, through logind: the caller's
// session is looked up on a thread of its own while the saver opens, so that
// the lock, when it comes, is one call.
#include <memory>
#include <string>
#include <thread>

#include "host/Driver.h"
#include "host/linux/Logind.h"

namespace linuxhost {

class ReturnLock : public SessionLock {
 public:
  ReturnLock() = default;
  ~ReturnLock() override;
  ReturnLock(const ReturnLock&) = delete;
  ReturnLock& operator=(const ReturnLock&) = delete;

  void Prepare() override;
  // Waits for the look-up (each of its calls is bounded), then locks; when
  // it cannot, says why on standard error, once.
  void Lock() override;

 private:
  std::thread lookUp_;
  bool prepared_ = false;
  std::unique_ptr<logind::Session> session_;
  std::string why_;
};

}  // namespace linuxhost
