// Decodes arbitrary bytes as a document file image.  Every decoded record
// must encode again, and an image that decoded completely must decode to the
// same data sets after re-encoding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document_image.h"

namespace {

bool SameSets(const logic::DataSetMap& a, const logic::DataSetMap& b) {
  if (a.size() != b.size()) return false;
  for (logic::DataSetMap::const_iterator x = a.begin(), y = b.begin(); x != a.end(); ++x, ++y) {
    if (x->first != y->first || x->second.flags != y->second.flags) return false;
    if (x->second.properties.size() != y->second.properties.size()) return false;
    for (auto p = x->second.properties.begin(), q = y->second.properties.begin(); p != x->second.properties.end();
         ++p, ++q) {
      if (p->first != q->first || p->second.values != q->second.values) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  logic::DataSetMap sets;
  logic::DocumentImageDamage damage;
  const bool complete = logic::decodeDocumentImage(data, static_cast<uint32_t>(size), sets, &damage);
  if (!complete && (damage.recordOffset > size || damage.failureOffset > size ||
                    damage.failureOffset < damage.recordOffset)) {
    std::abort();
  }
  // Every flag value survives; only persistent sets are written.
  for (logic::DataSetMap::iterator it = sets.begin(); it != sets.end(); ++it) {
    it->second.flags |= logic::DataSetPersistent;
  }
  const std::string image = logic::encodeDocumentImage(sets);
  logic::DataSetMap again;
  if (!logic::decodeDocumentImage(image.data(), static_cast<uint32_t>(image.size()), again, nullptr)) std::abort();
  if (!SameSets(sets, again)) std::abort();
  return 0;
}
