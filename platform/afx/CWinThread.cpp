// Worker threads over std::thread.
#include "platform/afx/CWinThread.h"

#include <system_error>

CWinThread::~CWinThread() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
    ResumeThread();
    thread_.join();
  }
}

bool CWinThread::CreateThread(unsigned long flags) {
  if (thread_.joinable()) return false;
  std::lock_guard lock(mutex_);
  suspended_ = (flags & CREATE_SUSPENDED) != 0;
  try {
    // The thread waits for this lock, so it never sees thread_ before it is assigned.
    thread_ = std::thread(&CWinThread::Main, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

unsigned long CWinThread::ResumeThread() {
  std::lock_guard lock(mutex_);
  if (!suspended_) return 0;
  suspended_ = false;
  resumed_.notify_all();
  return 1;
}

void CWinThread::WaitForEnd() {
  if (thread_.joinable()) thread_.join();
}

void CWinThread::Main() {
  bool autoDelete = false;
  {
    std::unique_lock lock(mutex_);
    resumed_.wait(lock, [this] { return !suspended_; });
    // Whoever set it did so before resuming, under this lock.
    autoDelete = m_bAutoDelete;
  }
  proc_(param_);
  if (autoDelete) {
    thread_.detach();
    delete this;
  }
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* param, int /*priority*/, unsigned /*stackSize*/,
                           unsigned long flags) {
  auto* thread = new CWinThread(proc, param);
  if (!thread->CreateThread(flags)) {
    delete thread;
    return nullptr;
  }
  return thread;
}
