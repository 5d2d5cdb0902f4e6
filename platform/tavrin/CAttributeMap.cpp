// Attribute map lookups by key and occurrence, typed access and merging.
#include "platform/tavrin/CAttributeMap.h"

#include <map>
#include <utility>

namespace {
const COrvType kNoValue;
}  // namespace

CAttributeMap::Entry::Entry(const Entry& other)
    : key(other.key),
      value(other.value),
      map(other.map ? std::make_unique<CAttributeMap>(*other.map) : nullptr) {}

CAttributeMap::Entry& CAttributeMap::Entry::operator=(const Entry& other) {
  if (this == &other) return *this;
  key = other.key;
  value = other.value;
  map = other.map ? std::make_unique<CAttributeMap>(*other.map) : nullptr;
  return *this;
}

CAttributeMap::CAttributeMap(const CAttributeMap& other) = default;
CAttributeMap& CAttributeMap::operator=(const CAttributeMap& other) = default;
CAttributeMap::~CAttributeMap() = default;

CAttributeMap::Entry* CAttributeMap::FindEntry(Key key, int index) {
  return const_cast<Entry*>(std::as_const(*this).FindEntry(key, index));
}

const CAttributeMap::Entry* CAttributeMap::FindEntry(Key key, int index) const {
  if (index < 0) return nullptr;
  const std::string_view wanted = key.View();
  int seen = 0;
  for (const Entry& entry : entries_) {
    if (entry.key.View() != wanted) continue;
    if (seen == index) return &entry;
    ++seen;
  }
  return nullptr;
}

CAttributeMap* CAttributeMap::Find(Key key, int index) {
  Entry* entry = FindEntry(key, index);
  return entry == nullptr ? nullptr : entry->map.get();
}

const CAttributeMap* CAttributeMap::Find(Key key, int index) const {
  const Entry* entry = FindEntry(key, index);
  return entry == nullptr ? nullptr : entry->map.get();
}

CAttributeMap* CAttributeMap::FindCreate(Key key, int index) {
  if (CAttributeMap* child = Find(key, index)) return child;
  return Add(CString(key.View()));
}

CAttributeMap* CAttributeMap::Add(const CString& key) {
  entries_.emplace_back(key, std::make_unique<CAttributeMap>());
  return entries_.back().map.get();
}

const COrvType& CAttributeMap::FindValue(Key key, int index) const {
  const Entry* entry = FindEntry(key, index);
  if (entry == nullptr || entry->IsMap()) return kNoValue;
  return entry->value;
}

void CAttributeMap::Add(Key key, const COrvType& value, int index) {
  Entry* entry = FindEntry(key, index);
  if (entry == nullptr) {
    Append(CString(key.View()), value);
    return;
  }
  entry->map.reset();
  entry->value = value;
}

void CAttributeMap::Append(const CString& key, const COrvType& value) {
  entries_.emplace_back(key, value);
}

void CAttributeMap::Append(const CString& key, const CAttributeMap& map) {
  entries_.emplace_back(key, std::make_unique<CAttributeMap>(map));
}

bool CAttributeMap::Remove(Key key, int index) {
  const Entry* entry = FindEntry(key, index);
  if (entry == nullptr) return false;
  entries_.erase(entries_.begin() + (entry - entries_.data()));
  return true;
}

bool CAttributeMap::GetAttribValue(Key key, int& value, unsigned& flags) const {
  flags = 0;
  return FindValue(key).GetValue(value);
}

bool CAttributeMap::GetAttribValue(Key key, double& value, unsigned& flags) const {
  flags = 0;
  return FindValue(key).GetValue(value);
}

bool CAttributeMap::GetAttribValue(Key key, bool& value, unsigned& flags) const {
  flags = 0;
  return FindValue(key).GetValue(value);
}

void CAttributeMap::SetAttribValue(Key key, double value, bool /*notify*/, int index) {
  Add(key, COrvDouble(value), index);
}

void CAttributeMap::Merge(const CAttributeMap& other) {
  if (this == &other) return;
  // Occurrences count per key within other, so the n-th "X" of other lands on the n-th "X" here.
  std::map<CString, int> occurrences;
  for (const Entry& incoming : other.entries_) {
    const int occurrence = occurrences[incoming.key]++;
    if (!incoming.IsMap()) {
      Add(incoming.key, incoming.value, occurrence);
      continue;
    }
    Entry* target = FindEntry(incoming.key, occurrence);
    if (target == nullptr) {
      Append(incoming.key, *incoming.map);
      continue;
    }
    if (!target->IsMap()) target->map = std::make_unique<CAttributeMap>();
    target->map->Merge(*incoming.map);
  }
}

bool operator==(const CAttributeMap& a, const CAttributeMap& b) {
  if (a.entries_.size() != b.entries_.size()) return false;
  for (std::size_t i = 0; i < a.entries_.size(); ++i) {
    const CAttributeMap::Entry& x = a.entries_[i];
    const CAttributeMap::Entry& y = b.entries_[i];
    if (x.key != y.key || x.IsMap() != y.IsMap()) return false;
    if (x.IsMap() ? !(*x.map == *y.map) : !(x.value == y.value)) return false;
  }
  return true;
}
