#include "doc_event.h"

#include <vector>

#include "document.h"

namespace logic {

DocEvent_Impl::DocEvent_Impl(Document* document) : kind(0), document(document) {}

DocEvent_Impl::~DocEvent_Impl() {}

void DocEvent_Impl::execute(ILogic* logic) {
  if (!logic) return;
  std::vector<DocDelegate> unsubscribed;
  // A callback may unsubscribe another one of this event; asking before each
  // call skips it.  The set itself is only changed after the loop.
  for (std::set<DocDelegate>::const_iterator it = callbacks.begin(); it != callbacks.end(); ++it) {
    if (isSubscribed(*it)) {
      (*it)(logic, dataSet, key, fields, kind);
    } else {
      unsubscribed.push_back(*it);
    }
  }
  for (size_t i = 0; i < unsubscribed.size(); ++i) callbacks.erase(unsubscribed[i]);
}

void DocEvent_Impl::release() { delete this; }

BOOL DocEvent_Impl::isSubscribed(const DocDelegate& callback) {
  return document && document->isSubscribed(callback) ? TRUE : FALSE;
}

}  // namespace logic
