// DocSubscription: one subscribe() call, the callback and what it watches.
//
// A record watches one data set (byte-exact name), one key and one field id:
//   key ""          only changes whose key is "", whatever their fields;
//   key "*"         every key of the data set (as does a change keyed "*");
//   field 0         changes that touch field 0, which includes the creation
//                   of a key by putProperty;
//   field 0xFFFFFFFF every change of the key;
//   other fields    changes that touch that field, and removals of the key.
//
// Records are plain values owned by the document's subscription list and
// guarded by its subscriptionLock; matches() reads only the record.
#ifndef CALVEX_DOCUMENT_DOC_SUBSCRIPTION_H_
#define CALVEX_DOCUMENT_DOC_SUBSCRIPTION_H_

#include <set>
#include <string>

#include "doc_delegate.h"

namespace logic {

const unsigned AnyField = 0xFFFFFFFFu;

struct DocSubscription {
  void* owner;          // the caller's tag, compared for equality only
  std::string dataSet;  // data set name to watch
  std::string key;      // key to watch, or "" / "*"
  unsigned fieldId;     // field to watch, or 0 / AnyField
  DocDelegate callback;

  // True when a change of `changedKey` in `changedSet` that touched
  // `changedFields` (empty for a removal) concerns this record.
  bool matches(const std::string& changedSet, const std::string& changedKey,
               const std::set<unsigned>& changedFields) const;
};

}  // namespace logic

#endif  // CALVEX_DOCUMENT_DOC_SUBSCRIPTION_H_
