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

  // Lets the event loop finish what the stopped links left, then ends it and joins the thread. Stop
  // the links first: one still open holds the loop up to two seconds, then is cut off.
  void Stop();
  // Whether the caller runs on the I/O thread.
  bool IsIoThread() const;

  struct Impl;
  Impl& GetImpl() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};
