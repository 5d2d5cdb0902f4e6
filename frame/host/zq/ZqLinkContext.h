// The I/O thread of the sonar links: one event loop that every link of the host runs on. Created
// before the links and destroyed after them; destruction ends and joins the thread.
#pragma once

#include <functional>
#include <memory>

class ZqLinkContext {
 public:
  ZqLinkContext();
  ZqLinkContext(const ZqLinkContext&) = delete;
  ZqLinkContext& operator=(const ZqLinkContext&) = delete;
  ~ZqLinkContext();

  // Ends the event loop and joins the thread; links still open are closed without further callbacks.
  void Stop();
  // Whether the caller runs on the I/O thread.
  bool IsIoThread() const;

  struct Impl;
  Impl& GetImpl() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};
