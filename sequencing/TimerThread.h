// One sonar group's trigger thread: it triggers the group's sonars one after the other, each with
// its prepared trigger record, and after each trigger waits until that sonar is released (by its
// next settings data, by a change of its buffer status, or by a stop) and then for the guard time
// set for it. While a sonar is served, the host's data time-out stays on for the devices on its port
// and is off for the devices on the other sonars' ports, whose data pauses while they wait.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <memory>

#include "platform/afx/CCriticalSection.h"
#include "platform/afx/CString.h"
#include "platform/afx/CWinThread.h"
#include "platform/tavrin/CDataId.h"

class Device;

// One sonar of a group.
struct TimerEntry {
  CDataId dataId;
  Device* device = nullptr;  // not owned: the host's device that sends the trigger
  CString triggerRecord;
  // Last buffer status reported for dataId: 0 serves the sonar, anything else skips it.
  unsigned short status = 0;
};

class TimerThread {
 public:
  explicit TimerThread(int groupId);
  // Stops and joins the thread.
  virtual ~TimerThread();
  TimerThread(const TimerThread&) = delete;
  TimerThread& operator=(const TimerThread&) = delete;

  int GetGroupId() const { return groupId_; }

  // Appends a sonar with status 0 and starts the thread if it is not running.
  void AddEntry(const CDataId& id, Device* device, const CString& triggerRecord);
  bool HasEntry(const CDataId& id);
  // The guard time after the current sonar's release, counted from releasedAt (the arrival of the
  // settings data that release it); releases it. Changes nothing when id is not the sonar being served.
  void SetDelay(const CDataId& id, std::uint32_t delayMs,
                std::chrono::steady_clock::time_point releasedAt = std::chrono::steady_clock::now());
  // Records a sonar's buffer status. A sonar served while its status turns non-zero is released at
  // once, without guard time. The thread then runs while any sonar has status 0, and is stopped and
  // joined when none has.
  void OnBufferStatus(const CDataId& id, unsigned short status);

  // Starts the thread, at the first sonar, unless one was started already.
  void Start();
  // Stops and joins the thread. A guard time under way runs to its end first.
  void Stop();

  // The thread's entry: names the thread and runs the group's sequence on the TimerThread param.
  static unsigned ThreadProc(void* param);

 private:
  // Triggers the sonars in turn until a stop or the host's shutdown.
  void Run();
  // With lock_ held: the time-out on for the current sonar's port, off for the others'.
  void UpdateTimeOuts();

  const int groupId_;
  // Entries are only ever appended, so the thread's position stays valid while others are added.
  std::list<TimerEntry> entries_;
  CCriticalSection lock_;  // guards entries_, current_ and delayMs_
  // Started and stopped only from the host's notification thread, or once that delivers no more.
  std::unique_ptr<CWinThread> thread_;
  std::atomic<bool> stopRequested_{false};
  CEvent wakeEvent_{false, false};
  CDataId current_;
  std::uint32_t delayMs_ = 0;
  // When the current sonar was released: its guard time ends delayMs_ later, however late the
  // notification of the release came and the thread woke to it.
  std::chrono::steady_clock::time_point releasedAt_;
};
