// The document file on disk: reading it whole, replacing it safely, and
// keeping a copy of a file that could not be read completely.
//
// Paths are wide (the document converts its UTF-8 path).  The functions keep
// no state; the document serialises its own writes (see Document::save).
// Windows only; the byte form of the file is document_image.h's.
#ifndef CALVEX_DOCUMENT_DOCUMENT_FILE_H_
#define CALVEX_DOCUMENT_DOCUMENT_FILE_H_

#include <string>

#include "afxstr.h"

namespace logic {

enum DocumentFileRead {
  FileReadWhole,     // `bytes` holds the whole file (possibly empty)
  FileMissing,       // no file at the path
  FileNotOpened,     // the file exists but cannot be opened for reading
  FileReadShort,     // `bytes` holds only the part of the file that was read
  FileReadFailed,    // the size could not be found or no memory for the bytes
};

// Reads the whole file at `path` into `bytes` with one read.
DocumentFileRead readDocumentFile(const CString& path, std::string& bytes);

// Replaces the file at `path` with `image`: writes a temporary file in the
// same folder, flushes it to disk, then moves it over `path`.  Returns false
// when any step fails; `path` is then exactly as it was and the temporary
// file is removed.  Callers must not replace the same path from two threads
// at once.
bool replaceDocumentFile(const CString& path, const std::string& image);

// Copies the file at `path` beside it, as path + ".damaged", or
// ".damaged.2", ".damaged.3" ... when earlier copies exist: an earlier copy
// is never overwritten.  Returns the copy's path, or "" when none was made.
CString keepDamagedCopy(const CString& path);

// Moves a file that could not be read out of the way, to path + ".unread"
// (or ".unread.2" ... : an earlier one is never replaced), so that a save
// does not replace data nobody has read.  True when nothing is left at
// `path`.
bool setAsideUnreadFile(const CString& path);

}  // namespace logic

#endif  // CALVEX_DOCUMENT_DOCUMENT_FILE_H_
