// A subscription to a data identifier's buffer: its subscriber hears of every new data block stored
// for the identifier (a DataId_NI naming it) and reads the block from GetDataBuffer().
#pragma once

#include "platform/tavrin/BaseDataSource.h"
#include "platform/tavrin/CDataId.h"
#include "platform/tavrin/SubscriptionImpl.h"

class DataSubscription : public SubscriptionImpl {
 public:
  DataSubscription();

  // Follows the identifier's buffer (replacing any followed before). False without a subscriber.
  bool Subscribe(const CDataId& id);
  const CDataId& GetDataId() const { return id_; }
  // The followed identifier's buffer; null before a block was stored for it or when not subscribed.
  BaseDataSource* GetDataBuffer() const;

 private:
  CDataId id_;
};
