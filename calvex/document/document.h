// Document: the engine's store of the host's application data.
//
// Data is kept as named data sets; a data set maps a key to a Property, a
// Property maps a field id to raw bytes.  Two collections are kept:
//   openSets    the data sets in use; every read and write goes here;
//   storedSets  the image of the document file: filled by load(), refreshed
//               from a persistent data set when it is closed or saved, and
//               what save() writes.
// A data set is persistent when its flags have DataSetPersistent; only such
// data sets travel between openSets, storedSets and the file.
//
// Every change (put, remove) returns a new DocEvent_Impl that already holds
// the callbacks of the matching subscriptions; the caller posts it to the
// user-interface thread or releases it.
//
// Threads and locks: every operation may be called from any thread.
//   dataLock          guards openSets, storedSets and saveGeneration;
//   subscriptionLock  guards subscriptions;
//   fileLock          serialises writing the file (and writtenGeneration).
// No operation holds two of them at once, so there is no lock order.  All
// three are re-entrant.  No lock is held while a callback runs, and only
// fileLock while the file is written, so readers and writers never wait on
// the disk.
#ifndef CALVEX_DOCUMENT_DOCUMENT_H_
#define CALVEX_DOCUMENT_DOCUMENT_H_

#include <memory>
#include <string>
#include <vector>

#include "afxmt.h"
#include "afxtypes.h"
#include "doc_delegate.h"
#include "doc_subscription.h"
#include "document_image.h"
#include "event.h"
#include "property.h"

namespace logic {

class DocEvent_Impl;

class Document {
 public:
  // Load results (also start's), and save's failure.
  enum {
    NotOpenedForReading = 4,  // the file exists but cannot be opened for reading
    NotReadCompletely = 5,    // part of the file could not be read or decoded
    NotWritten = 6,           // the file could not be written; the old one stays
    ReadFailed = 7,           // no memory, or the file's size could not be found
  };
  // closeDataSet of a data set that is not open.
  enum { DataSetNotOpen = 3 };

  // `path`: the document file's path in UTF-8.  Nothing is read yet.
  explicit Document(const std::string& path);
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // Opens (or reopens, discarding its contents) a data set.  With the
  // persistent bit it starts from the stored copy when there is one, else
  // empty.  Always 0.
  int openDataSet(int tag, const std::string& name, int flags);
  // 0; 3 when not open.  A persistent data set is copied to storedSets.
  int closeDataSet(const std::string& name);

  // Subscriptions; see doc_subscription.h for what a record watches.
  void subscribe(void* owner, const DocDelegate& callback, const std::string& name, const std::string& key,
                 unsigned fieldId);
  // Removes every record with this callback, whoever registered it.
  void unsubscribe(const DocDelegate& callback);
  // Removes every callback registered by `owner`, including the records of
  // other owners that use one of those callbacks.
  void unsubscribeOwner(void* owner);
  // TRUE while some record has this callback.
  BOOL isSubscribed(const DocDelegate& callback);

  // Changes.  A data set that is not open is created volatile (flags 0);
  // a missing key is created empty.  Each returns a new event (Changed,
  // Added or Removed) even when nothing changed; the caller owns it.
  IDocEvent* putString(const std::string& name, const std::string& key, unsigned fieldId,
                       const std::string& value);
  // Merges the fields of `value` into the key; fields it lacks stay.
  IDocEvent* putProperty(const std::string& name, const std::string& key, const Property& value);
  // Removes the key; a missing data set or key is not an error.
  IDocEvent* removeProperty(const std::string& name, const std::string& key);

  // Reads from the open data sets only.  FALSE, and `value` untouched, when
  // the data set, key or field is missing.
  BOOL getString(const std::string& name, const std::string& key, unsigned fieldId, std::string& value);
  // Replaces all fields of `value` with those of the stored record.
  BOOL getProperty(const std::string& name, const std::string& key, Property& value);

  // Empties storedSets and refills it from the file.  0 (also for a missing
  // or empty file), 4, 5 or 7.  After 5 or 7 the records read before the
  // trouble are kept, and the file is copied beside itself (".damaged") so
  // that a later save cannot destroy what it held.
  int load();
  // Copies the open persistent data sets to storedSets, then writes the
  // persistent stored sets to the file through a temporary file.  0, or 6
  // with the old file untouched.  Nothing stored: 0 and the file is not
  // touched.  A name or value over 65535 bytes throws PackError* before the
  // file is touched.
  int save();
  // save(), then drops every subscription; returns save's result.
  int close();

  // A copy of storedSets, for inspection.
  DataSetMap storedCopy();

 private:
  DocEvent_Impl* newEvent(const std::string& name, const std::string& key, unsigned char kind);
  // Fills the event's callbacks from the matching subscriptions.
  void chooseCallbacks(DocEvent_Impl& event);
  // Under dataLock: refreshes storedSets and builds the file image.  False
  // when there is nothing stored.
  bool prepareImage(std::string& image, unsigned long long& generation);
  CString widePath() const;

  DataSetMap openSets;
  const std::string path;
  CCriticalSection dataLock;
  CCriticalSection subscriptionLock;
  std::vector<std::unique_ptr<DocSubscription> > subscriptions;  // registration order
  DataSetMap storedSets;

  // Saves may run on several threads.  Each image is numbered when it is
  // built; an image older than the one already written is not written.
  unsigned long long saveGeneration = 0;     // under dataLock
  CCriticalSection fileLock;
  unsigned long long writtenGeneration = 0;  // under fileLock
  // The last load found a file it could not open: its contents were never
  // read, so the first save moves it aside before writing.  Under fileLock.
  bool fileUnread = false;
};

}  // namespace logic

#endif  // CALVEX_DOCUMENT_DOCUMENT_H_
