// The host's user-interface thread: a message loop that runs posted work in order, one item at a
// time. Message 0x8029 (apply a device's attributes) and everything the views do run here.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class UiThread {
 public:
  // The message with which a device's pending requests are applied.
  static constexpr unsigned kApplyAttributesMessage = 0x8029;

  UiThread();
  UiThread(const UiThread&) = delete;
  UiThread& operator=(const UiThread&) = delete;
  // Runs what is posted already, then ends and joins the loop.
  ~UiThread();

  // Queues work; false once the loop is stopping.
  bool Post(std::function<void()> work);
  // Runs work on the loop and waits for it; false (work not run) once the loop is stopping.
  bool Run(const std::function<void()>& work);
  void Stop();
  bool IsUiThread() const { return std::this_thread::get_id() == thread_.get_id(); }
  std::thread::id Id() const { return thread_.get_id(); }
  // Runs after each piece of work, on the loop (the views take their new trees there).
  void SetAfterEach(std::function<void()> afterEach);

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> queue_;
  bool stopping_ = false;
  std::function<void()> afterEach_;
  std::thread thread_;
};
