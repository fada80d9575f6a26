// DocEvent_Impl: one document change on its way to the subscribed callbacks.
//
// The document builds the event during a change (names, fields, kind) and
// chooses its callbacks then; the event is later executed on the
// user-interface thread, where each chosen callback that is still subscribed
// is called once.  Events carry names and field ids, never values: callbacks
// read what they need from the document.
//
// Threads: the building thread fills the members before handing the event
// on; from then on one thread at a time owns it (the dispatcher runs execute
// and release on the user-interface thread).  The event takes no lock of its
// own; isSubscribed asks the document, which takes its subscriptionLock.
// The document must outlive its events (the engine releases posted events
// when it stops, before the document goes).
#ifndef CALVEX_DOCUMENT_DOC_EVENT_H_
#define CALVEX_DOCUMENT_DOC_EVENT_H_

#include <set>
#include <string>

#include "doc_delegate.h"
#include "event.h"

namespace logic {

class Document;

class DocEvent_Impl : public IDocEvent {
 public:
  explicit DocEvent_Impl(Document* document);

  // Slot order is part of the exported interface.
  // 0: calls each chosen callback that is still subscribed, in delegate
  // order, with (logic, dataSet, key, fields, kind); forgets the others.
  // Does nothing when logic is null.  No lock is held during a call.
  void execute(ILogic* logic) override;
  // 1: onException is IEvent's (does nothing).
  // 2: destroys the event.
  void release() override;
  // 3: TRUE while some subscription of the document has this callback.
  BOOL isSubscribed(const DocDelegate& callback) override;
  // 4
  virtual ~DocEvent_Impl();

  std::string dataSet;              // data set name of the change
  std::string key;                  // key of the change
  std::set<unsigned> fields;        // field ids touched; empty for a removal
  std::set<DocDelegate> callbacks;  // chosen when the change was made
  unsigned char kind;               // a DocChangeKind; 0 until set
  Document* document;               // where isSubscribed looks; not owned
};

}  // namespace logic

#endif  // CALVEX_DOCUMENT_DOC_EVENT_H_
