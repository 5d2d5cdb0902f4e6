// A host device with an I/O port: sends records through it and reads its own attributes.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/tavrin/BaseDataSource.h"
#include "platform/tavrin/BaseDevice.h"
#include "platform/tavrin/DataTimeOut.h"
#include "platform/tavrin/TimerQueue.h"

class BaseIOHandler;

class Device : public BaseDevice {
 public:
  Device() = default;
  // Ends the data time-out's timer first: its judgement reads the device.
  ~Device() override;

  // Output is possible when a port is attached and it can output.
  bool DoOutput(long mode) override;

  // Attaches the device's I/O port (not owned; the host keeps it alive while attached).
  void SetPortPtr(BaseIOHandler* port) { port_ = port; }
  BaseIOHandler* GetPortPtr() const { return port_; }

  // The host hands the device a record that arrived on its port. A plain device reads nothing.
  virtual void ProcessMessage(char* /*data*/, int /*length*/) {}

  // Sends a record string through the port. False when there is no port or it refused the record.
  // The flag is the host's and is passed over.
  bool SendMessage(const CString& record, bool flag);

  // Reads the attribute (key, 0) under the attribute lock; flags receives the host's status word: 0.
  bool GetAttribValue(const CString& key, bool& value, unsigned& flags) const;
  bool GetAttribValue(const CString& key, int& value, unsigned& flags) const;
  bool GetAttribValue(const CString& key, double& value, unsigned& flags) const;

  // The device's data buffer: its current settings data block and buffer status.
  BaseDataSource& GetDataSource() { return dataSource_; }
  const BaseDataSource& GetDataSource() const { return dataSource_; }

  // The data time-out: how long the device's settings data may stay away while its link is up before
  // its buffer status says the data timed out. Zero (the default) never times out.
  void SetDataTimeOut(std::chrono::milliseconds timeOut);
  std::chrono::milliseconds GetDataTimeOut() const;
  // The shortest time-out the device's data allows at the moment: a sonar's ping and the guard after
  // it may take longer than the time-out set. Asked on the timer's thread, holding no lock of the device.
  using TimeOutFloor = std::function<std::chrono::milliseconds(const Device&)>;
  // From now on the data time-out is a timer on timers, armed again by each settings record, each
  // connection and each re-enabling; when it runs out while the link is up, the time-out enabled and
  // the floor passed too, the buffer status says the data timed out. Without it the data never times
  // out. StopDataTimeOut ends it (waiting for a judgement under way); call it before timers goes.
  void RunDataTimeOut(TimerQueue& timers, TimeOutFloor floor = {});
  void StopDataTimeOut();
  // While disabled, missing data is not reported for the device, and a data time-out already
  // reported is withdrawn: a sonar waiting its turn in a ping sequence sends nothing. Enabling it
  // again starts a fresh wait. Safe from any thread.
  void DisableTimeOut(bool disable);
  bool IsTimeOutDisabled() const;

  // The device's link connected (a fresh wait starts; data flowing) or was lost (link down), reported
  // by the link as it happens.
  void SetLinkConnected(bool connected);
  // Settings data arrived from the sonar (so its link is up): the wait starts again and the buffer
  // status is data flowing at once.
  void OnSettingsData();
  // Sets the buffer status of the device's data buffer. When it differs from the status set before
  // (or none was), the device's key is notified (kind 4, with a DataId_NI naming the device).
  void SetBufferStatus(unsigned short status);

  // The name of the document template that controls this device.
  void SetDeviceCtrlViewType(const CString& name) { ctrlViewType_ = name; }
  const CString& GetDeviceCtrlViewType() const { return ctrlViewType_; }

 private:
  template <typename T>
  bool ReadAttribute(const CString& key, T& value, unsigned& flags) const;
  // With flowMutex_ held.
  void SetBufferStatusLocked(unsigned short status);
  void ArmTimeOutLocked();
  // The timer ran out: judges the time-out against the floor, on the timer's thread.
  void OnTimeOutTimer();

  BaseIOHandler* port_ = nullptr;
  CString ctrlViewType_;
  BaseDataSource dataSource_;

  // Data flow: the time-out, its timer and floor, the link's state and the status last set. The
  // link's I/O thread, the timer's thread and a ping sequence's thread all come here.
  mutable std::mutex flowMutex_;
  DataTimeOut timeOut_;
  TimeOutFloor floor_;
  std::unique_ptr<TimerQueue::Timer> timeOutTimer_;
  bool linkConnected_ = false;
  std::optional<unsigned short> bufferStatus_;
};
