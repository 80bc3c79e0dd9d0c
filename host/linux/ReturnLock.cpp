#include "host/linux/ReturnLock.h"

#include <cstdio>

namespace linuxhost {

ReturnLock::~ReturnLock() {
  if (lookUp_.joinable()) lookUp_.join();
}

void ReturnLock::Prepare() {
  if (prepared_) return;
  prepared_ = true;
  lookUp_ = std::thread([this] { session_ = logind::Session::Open(&why_); });
}

void ReturnLock::Lock() {
  Prepare();
  if (lookUp_.joinable()) lookUp_.join();
  if (session_ == nullptr || !session_->Lock(&why_)) {
    std::fprintf(stderr, "zirbel: the session is not locked: %s\n", why_.c_str());
    std::fflush(stderr);
  }
}

}  // namespace linuxhost
