// The trigger thread's own cost: from a sonar's release (its guard time 0) to the next sonar's
// trigger handed to that sonar's device, beside the bare wake-up of a thread waiting on a condition
// variable, timed the same way: the clock is read just before the release or the notify, and again
// on the woken thread where the trigger is handed over or the wait returns. Median and 99th
// percentile in microseconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/afx/MainWindow.h"
#include "platform/tavrin/BaseIOHandler.h"
#include "platform/tavrin/Device.h"
#include "sequencing/TimerThread.h"

namespace {

using Clock = std::chrono::steady_clock;

// Where the woken thread notes the time it got there, and the benchmark waits for it.
class Arrival {
 public:
  void Arrive() {
    const Clock::time_point now = Clock::now();
    {
      std::lock_guard lock(mutex_);
      at_ = now;
      ++count_;
    }
    arrived_.notify_one();
  }
  // Waits for the arrival after `count` earlier ones; returns its time.
  Clock::time_point WaitFor(std::uint64_t count) {
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [&] { return count_ > count; });
    return at_;
  }
  std::uint64_t Count() {
    std::lock_guard lock(mutex_);
    return count_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  Clock::time_point at_;
  std::uint64_t count_ = 0;
};

class ArrivalPort : public BaseIOHandler {
 public:
  explicit ArrivalPort(Arrival& arrival) : arrival_(arrival) {}
  bool Send(const CString& /*record*/) override {
    arrival_.Arrive();
    return true;
  }

 private:
  Arrival& arrival_;
};

void Report(benchmark::State& state, std::vector<double>& micros) {
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}

void BM_TimerThreadReleaseToNextTrigger(benchmark::State& state) {
  AfxOpenMainWnd();
  Arrival arrival;
  ArrivalPort port(arrival);
  Device a;
  Device b;
  a.SetPortPtr(&port);
  b.SetPortPtr(&port);
  const CDataId idA(1, 78, 1, 1);
  const CDataId idB(2, 78, 1, 1);
  std::vector<double> micros;
  {
    TimerThread timer(1);
    timer.AddEntry(idA, &a, "trigger A");
    timer.AddEntry(idB, &b, "trigger B");
    std::uint64_t triggers = 0;
    arrival.WaitFor(triggers++);  // A is served
    for (auto _ : state) {
      const CDataId& served = triggers % 2 == 1 ? idA : idB;
      const Clock::time_point released = Clock::now();
      timer.SetDelay(served, 0);
      const Clock::time_point triggered = arrival.WaitFor(triggers++);
      const double seconds = std::chrono::duration<double>(triggered - released).count();
      state.SetIterationTime(seconds);
      micros.push_back(seconds * 1e6);
    }
  }
  AfxCloseMainWnd();
  Report(state, micros);
}
BENCHMARK(BM_TimerThreadReleaseToNextTrigger)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(20000);

void BM_ConditionVariableWakeUp(benchmark::State& state) {
  Arrival arrival;
  std::mutex mutex;
  std::condition_variable wake;
  std::uint64_t wakes = 0;
  bool stop = false;
  std::thread waiter([&] {
    std::uint64_t seen = 0;
    for (;;) {
      std::unique_lock lock(mutex);
      wake.wait(lock, [&] { return stop || wakes > seen; });
      if (stop) return;
      seen = wakes;
      lock.unlock();
      arrival.Arrive();
    }
  });
  std::vector<double> micros;
  std::uint64_t arrivals = 0;
  for (auto _ : state) {
    const Clock::time_point notified = Clock::now();
    {
      std::lock_guard lock(mutex);
      ++wakes;
    }
    wake.notify_one();
    const Clock::time_point woken = arrival.WaitFor(arrivals++);
    const double seconds = std::chrono::duration<double>(woken - notified).count();
    state.SetIterationTime(seconds);
    micros.push_back(seconds * 1e6);
  }
  {
    std::lock_guard lock(mutex);
    stop = true;
  }
  wake.notify_one();
  waiter.join();
  Report(state, micros);
}
BENCHMARK(BM_ConditionVariableWakeUp)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);

}  // namespace
