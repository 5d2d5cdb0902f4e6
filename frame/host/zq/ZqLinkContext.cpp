// The links' I/O thread.
#include "zq/ZqLinkContext.h"

#include "zq/ZqLinkContextImpl.h"

ZqLinkContext::ZqLinkContext() : impl_(std::make_unique<Impl>()) {
  impl_->thread = std::thread([impl = impl_.get()] { impl->io.run(); });
}

ZqLinkContext::~ZqLinkContext() {
  Stop();
}

void ZqLinkContext::Stop() {
  if (!impl_->thread.joinable()) return;
  impl_->work.reset();
  impl_->io.stop();
  impl_->thread.join();
}

bool ZqLinkContext::IsIoThread() const {
  return impl_->io.get_executor().running_in_this_thread();
}
