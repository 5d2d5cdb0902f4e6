// The links' I/O thread.
#include "link/ZqLinkContext.h"

#include "link/ZqLinkContextImpl.h"

#include <chrono>

namespace {
constexpr auto kDrainTime = std::chrono::seconds(2);
}  // namespace

ZqLinkContext::ZqLinkContext() : impl_(std::make_unique<Impl>()) {
  impl_->thread = std::thread([impl = impl_.get()] { impl->io.run(); });
}

ZqLinkContext::~ZqLinkContext() {
  Stop();
}

void ZqLinkContext::Stop() {
  if (!impl_->thread.joinable()) return;
  // Let the loop run out of work: the completions of the links' cancelled operations still hold
  // their links, which must be let go on this loop, not while the loop itself is taken apart. A link
  // left open would keep the loop busy; after a while it is stopped all the same.
  impl_->work.reset();
  const auto deadline = std::chrono::steady_clock::now() + kDrainTime;
  while (!impl_->io.stopped() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  impl_->io.stop();
  impl_->thread.join();
}

bool ZqLinkContext::IsIoThread() const {
  return impl_->io.get_executor().running_in_this_thread();
}
