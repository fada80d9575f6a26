#include "doc_subscription.h"

namespace logic {

bool DocSubscription::matches(const std::string& changedSet, const std::string& changedKey,
                              const std::set<unsigned>& changedFields) const {
  if (dataSet != changedSet) return false;
  // A record keyed "" is about the data set's "" key as a whole.
  if (key.empty()) return changedKey.empty();
  if (key != "*" && changedKey != "*" && key != changedKey) return false;
  if (fieldId == 0) return changedFields.count(0) != 0;
  if (fieldId == AnyField) return true;
  // An empty field set is a removal, which concerns every field of the key.
  return changedFields.empty() || changedFields.count(fieldId) != 0;
}

}  // namespace logic
