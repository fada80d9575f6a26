// The document file image: the byte form of the persistent data sets.
//
// An image is a plain sequence of records with no header, one per data set:
//   name      varstr (uint16 length, then the bytes)
//   flags     uint32
//   contents  the Map2Property layout (keys and their records)
// All integers are little-endian.  The tag of a data set is not written; a
// data set read from an image has tag 0.
//
// This file only turns data sets into bytes and back; reading and writing
// the file itself lives in document_file.h.  Platform-neutral, no state: any
// thread may call these functions on objects it owns.
#ifndef CALVEX_DOCUMENT_DOCUMENT_IMAGE_H_
#define CALVEX_DOCUMENT_DOCUMENT_IMAGE_H_

#include <cstdint>
#include <map>
#include <string>

#include "dataset.h"
#include "unpack.h"

namespace logic {

// The flags bit that makes a data set travel to the file.
const unsigned DataSetPersistent = 2;

// Data sets by name, in byte order of the names.
typedef std::map<std::string, DataSet> DataSetMap;

inline bool isPersistent(const DataSet& set) { return (set.flags & DataSetPersistent) != 0; }

// The image of every persistent data set of `sets`, in name order; sets
// without the persistent bit are left out.  Throws PackError* when a name or
// a value is longer than 65535 bytes or the image outgrows the buffer; the
// caller's data is untouched then.
std::string encodeDocumentImage(const DataSetMap& sets);

// Reads an image record by record, in file order.  The reader does not own
// the bytes; they must outlive it.
//
// A record that cannot be decoded (cut short, or a length running past the
// end) stops the reader: damaged() becomes true and the offsets say where.
// Records returned before it are complete.
class DocumentImageReader {
 public:
  DocumentImageReader(const void* image, uint32_t size);

  // Decodes the next record into `name` and `set` (set is reset first, its
  // tag is 0).  False at the end of the image and at a damaged record.
  // Memory exhaustion surfaces as std::bad_alloc.
  bool next(std::string& name, DataSet& set);

  bool damaged() const { return damaged_; }
  // Where the last record returned, or the damaged record, starts.
  uint32_t recordOffset() const { return recordOffset_; }
  // For a damaged record: where decoding ran out of bytes.
  uint32_t failureOffset() const { return failureOffset_; }
  // For a damaged record: the reader's message ("pop_uint32: not enough data").
  const std::string& failure() const { return failure_; }

 private:
  uint32_t position() const { return imageSize_ - unpack_.size(); }

  Unpack unpack_;
  uint32_t imageSize_;
  bool damaged_ = false;
  uint32_t recordOffset_ = 0;
  uint32_t failureOffset_ = 0;
  std::string failure_;
};

// Where and why an image could not be decoded to its end.
struct DocumentImageDamage {
  uint32_t recordOffset = 0;   // start of the first record that was lost
  uint32_t failureOffset = 0;  // where decoding ran out of bytes
  std::string failure;         // the reader's message
};

// Adds every record of the image to `sets`; a name that occurs twice keeps
// the later record.  Returns true when the whole image was decoded.  On a
// damaged record returns false, keeps every record decoded before it, and
// fills `damage` when it is not null.  std::bad_alloc passes through, with
// the records decoded so far kept in `sets`.
bool decodeDocumentImage(const void* image, uint32_t size, DataSetMap& sets, DocumentImageDamage* damage);

}  // namespace logic

#endif  // CALVEX_DOCUMENT_DOCUMENT_IMAGE_H_
