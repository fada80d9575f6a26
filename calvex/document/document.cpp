#include "document.h"

#include <algorithm>
#include <new>

#include "convert.h"
#include "doc_event.h"
#include "document_file.h"

namespace logic {

Document::Document(const std::string& path) : path(path) {}

Document::~Document() {}

int Document::openDataSet(int tag, const std::string& name, int flags) {
  CSingleLock lock(&dataLock, TRUE);
  DataSet& entry = openSets[name];
  DataSetMap::const_iterator stored = storedSets.find(name);
  if ((flags & DataSetPersistent) && stored != storedSets.end()) {
    entry = stored->second;
  } else {
    entry = DataSet();
  }
  entry.flags = static_cast<unsigned>(flags);
  entry.tag = static_cast<unsigned>(tag);
  return 0;
}

int Document::closeDataSet(const std::string& name) {
  CSingleLock lock(&dataLock, TRUE);
  DataSetMap::iterator open = openSets.find(name);
  if (open == openSets.end()) return DataSetNotOpen;
  if (isPersistent(open->second)) storedSets[name] = open->second;
  openSets.erase(open);
  return 0;
}

void Document::subscribe(void* owner, const DocDelegate& callback, const std::string& name,
                         const std::string& key, unsigned fieldId) {
  std::unique_ptr<DocSubscription> record(new DocSubscription{owner, name, key, fieldId, callback});
  CSingleLock lock(&subscriptionLock, TRUE);
  subscriptions.push_back(std::move(record));
}

void Document::unsubscribe(const DocDelegate& callback) {
  CSingleLock lock(&subscriptionLock, TRUE);
  subscriptions.erase(std::remove_if(subscriptions.begin(), subscriptions.end(),
                                     [&](const std::unique_ptr<DocSubscription>& record) {
                                       return record->callback == callback;
                                     }),
                      subscriptions.end());
}

void Document::unsubscribeOwner(void* owner) {
  std::vector<DocDelegate> callbacks;
  {
    CSingleLock lock(&subscriptionLock, TRUE);
    for (size_t i = 0; i < subscriptions.size(); ++i) {
      if (subscriptions[i]->owner == owner) callbacks.push_back(subscriptions[i]->callback);
    }
  }
  for (size_t i = 0; i < callbacks.size(); ++i) unsubscribe(callbacks[i]);
}

BOOL Document::isSubscribed(const DocDelegate& callback) {
  CSingleLock lock(&subscriptionLock, TRUE);
  for (size_t i = 0; i < subscriptions.size(); ++i) {
    if (subscriptions[i]->callback == callback) return TRUE;
  }
  return FALSE;
}

DocEvent_Impl* Document::newEvent(const std::string& name, const std::string& key, unsigned char kind) {
  std::unique_ptr<DocEvent_Impl> event(new DocEvent_Impl(this));
  event->dataSet = name;
  event->key = key;
  event->kind = kind;
  return event.release();
}

void Document::chooseCallbacks(DocEvent_Impl& event) {
  CSingleLock lock(&subscriptionLock, TRUE);
  for (size_t i = 0; i < subscriptions.size(); ++i) {
    const DocSubscription& record = *subscriptions[i];
    if (!record.callback.empty() && record.matches(event.dataSet, event.key, event.fields)) {
      event.callbacks.insert(record.callback);
    }
  }
}

IDocEvent* Document::putString(const std::string& name, const std::string& key, unsigned fieldId,
                               const std::string& value) {
  std::unique_ptr<DocEvent_Impl> event(newEvent(name, key, Changed));
  event->fields.insert(fieldId);
  {
    CSingleLock lock(&dataLock, TRUE);
    openSets[name].properties[key].put(fieldId, value);
  }
  chooseCallbacks(*event);
  return event.release();
}

IDocEvent* Document::putProperty(const std::string& name, const std::string& key, const Property& value) {
  std::unique_ptr<DocEvent_Impl> event(newEvent(name, key, Changed));
  for (std::map<unsigned, std::string>::const_iterator it = value.values.begin(); it != value.values.end(); ++it) {
    event->fields.insert(it->first);
  }
  {
    CSingleLock lock(&dataLock, TRUE);
    std::map<std::string, Property>& records = openSets[name].properties;
    std::map<std::string, Property>::iterator record = records.find(key);
    if (record == records.end()) {
      // Field 0 marks the creation of a key for the subscriptions that watch it.
      event->kind = Added;
      event->fields.insert(0);
      record = records.insert(std::make_pair(key, Property())).first;
    }
    for (std::map<unsigned, std::string>::const_iterator it = value.values.begin(); it != value.values.end(); ++it) {
      record->second.values[it->first] = it->second;
    }
  }
  chooseCallbacks(*event);
  return event.release();
}

IDocEvent* Document::removeProperty(const std::string& name, const std::string& key) {
  std::unique_ptr<DocEvent_Impl> event(newEvent(name, key, Removed));
  {
    CSingleLock lock(&dataLock, TRUE);
    DataSetMap::iterator open = openSets.find(name);
    if (open != openSets.end()) open->second.properties.erase(key);
  }
  chooseCallbacks(*event);
  return event.release();
}

BOOL Document::getString(const std::string& name, const std::string& key, unsigned fieldId, std::string& value) {
  CSingleLock lock(&dataLock, TRUE);
  DataSetMap::const_iterator open = openSets.find(name);
  if (open == openSets.end()) return FALSE;
  std::map<std::string, Property>::const_iterator record = open->second.properties.find(key);
  if (record == open->second.properties.end()) return FALSE;
  std::map<unsigned, std::string>::const_iterator field = record->second.values.find(fieldId);
  if (field == record->second.values.end()) return FALSE;
  value = field->second;
  return TRUE;
}

BOOL Document::getProperty(const std::string& name, const std::string& key, Property& value) {
  CSingleLock lock(&dataLock, TRUE);
  DataSetMap::const_iterator open = openSets.find(name);
  if (open == openSets.end()) return FALSE;
  std::map<std::string, Property>::const_iterator record = open->second.properties.find(key);
  if (record == open->second.properties.end()) return FALSE;
  value.values = record->second.values;
  return TRUE;
}

CString Document::widePath() const {
  CString wide;
  common::utf8_to_CString(path, wide, 0);
  return wide;
}

int Document::load() {
  {
    CSingleLock lock(&dataLock, TRUE);
    storedSets.clear();
  }
  const CString file = widePath();
  std::string image;
  int result = 0;
  switch (readDocumentFile(file, image)) {
    case FileMissing:
      return 0;
    case FileNotOpened: {
      CSingleLock lock(&fileLock, TRUE);
      fileUnread = true;
      return NotOpenedForReading;
    }
    case FileReadFailed:
      result = ReadFailed;
      break;
    case FileReadShort:
      result = NotReadCompletely;
      break;
    case FileReadWhole:
      break;
  }
  // Whatever decodes before trouble is kept: dropping it would let the next
  // save write the file without it.
  DataSetMap loaded;
  if (result != ReadFailed) {
    try {
      if (!decodeDocumentImage(image.data(), static_cast<uint32_t>(image.size()), loaded, nullptr)) {
        result = NotReadCompletely;
      }
    } catch (const std::bad_alloc&) {
      result = ReadFailed;
    }
  }
  {
    CSingleLock lock(&dataLock, TRUE);
    storedSets.swap(loaded);
  }
  // The records that were not read live on only in the file: keep a copy
  // that no save replaces.
  if (result != 0) keepDamagedCopy(file);
  return result;
}

bool Document::prepareImage(std::string& image, unsigned long long& generation) {
  CSingleLock lock(&dataLock, TRUE);
  for (DataSetMap::const_iterator open = openSets.begin(); open != openSets.end(); ++open) {
    if (isPersistent(open->second)) storedSets[open->first] = open->second;
  }
  if (storedSets.empty()) return false;
  image = encodeDocumentImage(storedSets);
  generation = ++saveGeneration;
  return true;
}

int Document::save() {
  std::string image;
  unsigned long long generation = 0;
  if (!prepareImage(image, generation)) return 0;
  CSingleLock lock(&fileLock, TRUE);
  // Another thread has already written a newer image, which holds all of this one.
  if (generation < writtenGeneration) return 0;
  const CString file = widePath();
  // Never replace a file whose contents were not read: keep it beside.
  if (fileUnread) {
    if (!setAsideUnreadFile(file)) return NotWritten;
    fileUnread = false;
  }
  if (!replaceDocumentFile(file, image)) return NotWritten;
  writtenGeneration = generation;
  return 0;
}

int Document::close() {
  int result = 0;
  try {
    result = save();
  } catch (...) {
    // The engine is stopping: no subscription may outlive it, even when the
    // save failed.
    CSingleLock lock(&subscriptionLock, TRUE);
    subscriptions.clear();
    throw;
  }
  CSingleLock lock(&subscriptionLock, TRUE);
  subscriptions.clear();
  return result;
}

DataSetMap Document::storedCopy() {
  CSingleLock lock(&dataLock, TRUE);
  return storedSets;
}

}  // namespace logic
