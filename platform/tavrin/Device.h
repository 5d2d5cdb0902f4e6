// A host device with an I/O port: sends records through it and reads its own attributes.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/tavrin/BaseDataSource.h"
#include "platform/tavrin/BaseDevice.h"
#include "platform/tavrin/DataTimeOut.h"

class BaseIOHandler;

class Device : public BaseDevice {
 public:
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
  // While disabled, missing data is not reported for the device, and a data time-out already
  // reported is withdrawn: a sonar waiting its turn in a ping sequence sends nothing. Enabling it
  // again starts a fresh wait. Safe from any thread.
  void DisableTimeOut(bool disable);
  bool IsTimeOutDisabled() const;
  // When settings data last arrived, and when the time-out was last enabled again after being
  // disabled; nothing before either happened.
  std::optional<std::chrono::steady_clock::time_point> GetLastDataTime() const;
  std::optional<std::chrono::steady_clock::time_point> GetTimeOutEnabledTime() const;

  // Settings data arrived from the sonar (so its link is up): the wait starts again and the buffer
  // status is data flowing at once.
  void OnSettingsData();
  // The host's periodic judgement of the buffer status: link down while portConnected says so,
  // otherwise data timed out when the time-out ran out, otherwise data flowing. A connection found
  // since the last check starts a fresh wait. portConnected is asked under the device's data-flow
  // lock, so that data arriving meanwhile is not overwritten by a judgement made before it. atLeast
  // is the shortest time-out the device's data allows at the moment (its ping may take longer than the
  // time-out set); a device without a time-out keeps none.
  void CheckDataFlow(const std::function<bool()>& portConnected,
                     std::chrono::milliseconds atLeast = std::chrono::milliseconds::zero());
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

  BaseIOHandler* port_ = nullptr;
  CString ctrlViewType_;
  BaseDataSource dataSource_;

  // Data flow: the time-out, the link state the last check found, and the status last set. The link's
  // I/O thread, the host's watch and a ping sequence's thread all come here.
  mutable std::mutex flowMutex_;
  DataTimeOut timeOut_;
  bool portConnected_ = false;
  std::optional<unsigned short> bufferStatus_;
};
