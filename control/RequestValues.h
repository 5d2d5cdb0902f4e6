// How request operations find the values they send, and how they consume their requests. A value is
// read from the pending requests only (FromRequest), from the device's stored attributes only
// (FromStored), from the pending requests and then the stored attributes (Resolve), or as that with a
// default (ResolveOr). Reads succeed only for a value of the asked type; a failed read leaves the value
// as it was.
#pragma once

#include <initializer_list>

#include "platform/tavrin/CAttributeMap.h"

class RequestValues {
 public:
  // request is the device's "Request" child map, attributes the device's attribute map.
  RequestValues(CAttributeMap& request, CAttributeMap& attributes)
      : request_(request), attributes_(attributes) {}

  bool Has(const char* key) const { return request_.Has(key); }
  bool HasAny(std::initializer_list<const char*> keys) const {
    for (const char* key : keys) {
      if (request_.Has(key)) return true;
    }
    return false;
  }

  template <typename T>
  bool FromRequest(const char* key, T& value) const {
    return request_.FindValue(key).GetValue(value);
  }
  template <typename T>
  bool FromStored(const char* key, T& value) const {
    return attributes_.FindValue(key).GetValue(value);
  }
  template <typename T>
  bool Resolve(const char* key, T& value) const {
    return FromRequest(key, value) || FromStored(key, value);
  }
  template <typename T>
  T ResolveOr(const char* key, T fallback) const {
    T value = fallback;
    return Resolve(key, value) ? value : fallback;
  }

  // Removes the keys from the pending requests, in the order given.
  void Consume(std::initializer_list<const char*> keys) {
    for (const char* key : keys) request_.Remove(key);
  }
  // Writes value into the key's entry of the device's attributes, replacing what stood there.
  template <typename T>
  void Store(const char* key, const T& value) {
    COrvType typed;
    typed.SetValue(value);
    attributes_.Add(key, typed);
  }

 private:
  CAttributeMap& request_;
  CAttributeMap& attributes_;
};
