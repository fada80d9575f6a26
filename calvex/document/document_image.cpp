#include "document_image.h"

#include "block_buffer.h"
#include "convert.h"
#include "errors.h"
#include "exception.h"
#include "pack.h"

namespace logic {

std::string encodeDocumentImage(const DataSetMap& sets) {
  Buffer buffer;
  Pack pack(buffer);
  for (DataSetMap::const_iterator it = sets.begin(); it != sets.end(); ++it) {
    const DataSet& set = it->second;
    if (!isPersistent(set)) continue;
    pack.push_varstr(it->first.data(), VarstrLength(it->first));
    pack.push_uint32(set.flags);
    set.Map2Property::marshal(pack);
  }
  if (pack.size() == 0) return std::string();
  return std::string(pack.data(), pack.size());
}

DocumentImageReader::DocumentImageReader(const void* image, uint32_t size) : unpack_(image, size), imageSize_(size) {}

bool DocumentImageReader::next(std::string& name, DataSet& set) {
  if (damaged_ || unpack_.size() == 0) return false;
  recordOffset_ = position();
  set = DataSet();
  try {
    name = unpack_.pop_varstr();
    set.flags = unpack_.pop_uint32();
    set.Map2Property::unmarshal(unpack_);
    return true;
  } catch (Exception* e) {
    // Decoding only throws UnpackError: the record is cut short or a length
    // runs past the end of the image.
    damaged_ = true;
    failureOffset_ = position();
    failure_ = common::CString_to_String(e->message, 0);
    e->Delete();
    set = DataSet();
    return false;
  }
}

bool decodeDocumentImage(const void* image, uint32_t size, DataSetMap& sets, DocumentImageDamage* damage) {
  DocumentImageReader reader(image, size);
  std::string name;
  DataSet set;
  while (reader.next(name, set)) sets[name] = set;
  if (!reader.damaged()) return true;
  if (damage) {
    damage->recordOffset = reader.recordOffset();
    damage->failureOffset = reader.failureOffset();
    damage->failure = reader.failure();
  }
  return false;
}

}  // namespace logic
