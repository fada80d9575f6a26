// DocDelegate: the document's change callback, a two-word bound member
// function delegate called with the engine, the data set name, the key, the
// field ids touched and the change kind.  Identity and order are those of the
// delegate family (object pointer, then function word).
#ifndef CALVEX_DOCUMENT_DOC_DELEGATE_H_
#define CALVEX_DOCUMENT_DOC_DELEGATE_H_

#include <set>
#include <string>

#include "fast_delegate.h"

namespace logic {

struct ILogic;

// The change kinds a document event carries.
enum DocChangeKind : unsigned char {
  Changed = 1,
  Removed = 2,
  Added = 4,
};

typedef fastdelegate::FastDelegate5<ILogic*, const std::string&, const std::string&, const std::set<unsigned>&,
                                    unsigned char, void>
    DocDelegate;

}  // namespace logic

#endif  // CALVEX_DOCUMENT_DOC_DELEGATE_H_
