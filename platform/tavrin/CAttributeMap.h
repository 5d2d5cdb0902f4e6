// Attribute map of the host: an ordered tree of named entries. An entry is either a typed value or a
// child map. Entries of the same name are told apart by their occurrence index (0 is the first entry
// of that name). Copying a map copies the whole tree.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/afx/CString.h"
#include "platform/tavrin/COrvType.h"

class CAttributeMap {
 public:
  // The key of a lookup: any text, read where it lies, so that finding an entry builds no string. A
  // string is made only when an entry is added under the key.
  class Key {
   public:
    Key(const char* key) : text_(key == nullptr ? std::string_view() : std::string_view(key)) {}  // NOLINT
    Key(std::string_view key) : text_(key) {}                                                     // NOLINT
    Key(const std::string& key) : text_(key) {}                                                   // NOLINT
    Key(const CString& key) : text_(key.View()) {}                                                // NOLINT

    std::string_view View() const { return text_; }

   private:
    std::string_view text_;
  };

  struct Entry {
    CString key;
    COrvType value;                      // used when map is null
    std::unique_ptr<CAttributeMap> map;  // the child map, when this entry is one

    Entry(CString entryKey, COrvType entryValue) : key(std::move(entryKey)), value(std::move(entryValue)) {}
    Entry(CString entryKey, std::unique_ptr<CAttributeMap> child)
        : key(std::move(entryKey)), map(std::move(child)) {}
    Entry(const Entry& other);
    Entry& operator=(const Entry& other);
    Entry(Entry&&) noexcept = default;
    Entry& operator=(Entry&&) noexcept = default;
    ~Entry() = default;

    bool IsMap() const { return map != nullptr; }
  };

  CAttributeMap() = default;
  CAttributeMap(const CAttributeMap& other);
  CAttributeMap& operator=(const CAttributeMap& other);
  CAttributeMap(CAttributeMap&&) noexcept = default;
  CAttributeMap& operator=(CAttributeMap&&) noexcept = default;
  ~CAttributeMap();

  // Child maps. GetAttrMap is Find with occurrence 0.
  CAttributeMap* GetAttrMap(Key key) { return Find(key, 0); }
  const CAttributeMap* GetAttrMap(Key key) const { return Find(key, 0); }
  CAttributeMap* Find(Key key, int index = 0);
  const CAttributeMap* Find(Key key, int index = 0) const;
  // The child map (key, index); when there is none, a new child map is appended under key.
  CAttributeMap* FindCreate(Key key, int index = 0);
  // Appends a new, empty child map under key.
  CAttributeMap* Add(const CString& key);

  // Values. FindValue never fails: a missing entry, or a child map, reads as an empty value whose
  // typed reads all fail.
  const COrvType& FindValue(Key key, int index = 0) const;
  // Stores value as the entry (key, index): an entry that is there is replaced, whatever it held; a
  // missing one is appended.
  void Add(Key key, const COrvType& value, int index = 0);
  // Appends a value entry, even when entries of that name exist already.
  void Append(const CString& key, const COrvType& value);
  // Appends a child map entry holding a copy of map.
  void Append(const CString& key, const CAttributeMap& map);

  bool Has(Key key, int index = 0) const { return FindEntry(key, index) != nullptr; }
  // Removes the entry (key, index); the later entries of that name move down one occurrence.
  bool Remove(Key key, int index = 0);
  void RemoveAll() { entries_.clear(); }

  // Typed reads of the value (key, 0). `flags` receives the host's status word: 0.
  bool GetAttribValue(Key key, int& value, unsigned& flags) const;
  bool GetAttribValue(Key key, double& value, unsigned& flags) const;
  bool GetAttribValue(Key key, bool& value, unsigned& flags) const;
  // Stores a double as the entry (key, index). The flag is the host's notify flag; a plain map has
  // no one to notify, so it only stores.
  void SetAttribValue(Key key, double value, bool notify, int index);

  // Merges other into this map: each value of other replaces the entry of the same key and occurrence
  // (or is appended); each child map of other is merged into the matching child map here (made when
  // missing). Entries that other does not mention stay as they are.
  void Merge(const CAttributeMap& other);

  // The entries in order, for walking the tree (writers of the stored form, the API).
  const std::vector<Entry>& Entries() const { return entries_; }
  int GetCount() const { return static_cast<int>(entries_.size()); }

  friend bool operator==(const CAttributeMap& a, const CAttributeMap& b);

 private:
  Entry* FindEntry(Key key, int index);
  const Entry* FindEntry(Key key, int index) const;

  std::vector<Entry> entries_;
};
