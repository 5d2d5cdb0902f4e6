// A host device with an I/O port: sends records through it and reads its own attributes.
#pragma once

#include "tavrin/BaseDataSource.h"
#include "tavrin/BaseDevice.h"

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

  // The name of the document template that controls this device.
  void SetDeviceCtrlViewType(const CString& name) { ctrlViewType_ = name; }
  const CString& GetDeviceCtrlViewType() const { return ctrlViewType_; }

 private:
  template <typename T>
  bool ReadAttribute(const CString& key, T& value, unsigned& flags) const;

  BaseIOHandler* port_ = nullptr;
  CString ctrlViewType_;
  BaseDataSource dataSource_;
};
