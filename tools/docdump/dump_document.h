// Readable text of a document file image, for the docdump inspection tool.
//
// Each record is printed in file order (duplicates included) with its name,
// flags, keys, field ids and values.  Names, keys and values are printed as
// quoted text when they are valid UTF-8 (with control characters, quotes
// and backslashes escaped), else as "hex" and their bytes.
//
// Platform-neutral and stateless; any thread.
#ifndef TOOLS_DOCDUMP_DUMP_DOCUMENT_H_
#define TOOLS_DOCDUMP_DUMP_DOCUMENT_H_

#include <ostream>
#include <string>

namespace docdump {

// Exit codes of the tool.
enum {
  DumpComplete = 0,
  DumpCannotRead = 1,  // usage error, or the file cannot be read
  DumpDamaged = 2,     // a record could not be decoded
};

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(const std::string& bytes);

// `bytes` as quoted, escaped text, or as "hex" and the bytes.
std::string printable(const std::string& bytes);

// Prints every record of `image` to `out`.  On a damaged record prints the
// records before it, then a message naming the damage's byte offsets to
// `err`, prefixed with `label`, and returns DumpDamaged; else DumpComplete.
int dumpDocument(const std::string& image, const std::string& label, std::ostream& out, std::ostream& err);

}  // namespace docdump

#endif  // TOOLS_DOCDUMP_DUMP_DOCUMENT_H_
