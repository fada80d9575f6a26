#include "dump_document.h"

#include <cstdint>
#include <cstdio>

#include "document_image.h"

namespace docdump {

namespace {

// The length of the UTF-8 sequence that starts at bytes[i], or 0 when it is
// not well formed.
size_t sequenceLength(const std::string& bytes, size_t i) {
  const unsigned char lead = static_cast<unsigned char>(bytes[i]);
  if (lead < 0x80) return 1;
  size_t length;
  uint32_t code;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (bytes.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

void printRecord(const std::string& name, const logic::DataSet& set, uint32_t offset, unsigned number,
                 std::ostream& out) {
  char flags[16];
  std::snprintf(flags, sizeof flags, "0x%08x", static_cast<unsigned>(set.flags));
  out << "record " << number << " at byte offset " << offset << ": " << printable(name) << " flags " << flags
      << (logic::isPersistent(set) ? " (persistent)" : " (not persistent)") << ", " << set.properties.size()
      << (set.properties.size() == 1 ? " key\n" : " keys\n");
  for (const auto& record : set.properties) {
    out << "  key " << printable(record.first) << "\n";
    for (const auto& field : record.second.values) {
      out << "    field " << field.first << ": " << printable(field.second) << "\n";
    }
  }
}

}  // namespace

bool isValidUtf8(const std::string& bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = sequenceLength(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string printable(const std::string& bytes) {
  char two[8];
  if (!isValidUtf8(bytes)) {
    std::string hex = "hex";
    for (size_t i = 0; i < bytes.size(); ++i) {
      std::snprintf(two, sizeof two, " %02x", static_cast<unsigned char>(bytes[i]));
      hex += two;
    }
    return hex;
  }
  std::string text = "\"";
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    switch (c) {
      case '"': text += "\\\""; break;
      case '\\': text += "\\\\"; break;
      case '\n': text += "\\n"; break;
      case '\r': text += "\\r"; break;
      case '\t': text += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          std::snprintf(two, sizeof two, "\\x%02x", c);
          text += two;
        } else {
          text += static_cast<char>(c);
        }
    }
  }
  return text + "\"";
}

int dumpDocument(const std::string& image, const std::string& label, std::ostream& out, std::ostream& err) {
  logic::DocumentImageReader reader(image.data(), static_cast<uint32_t>(image.size()));
  std::string name;
  logic::DataSet set;
  unsigned records = 0;
  while (reader.next(name, set)) printRecord(name, set, reader.recordOffset(), ++records, out);
  out << records << (records == 1 ? " record\n" : " records\n");
  if (!reader.damaged()) return DumpComplete;
  err << "docdump: " << label << ": damaged record at byte offset " << reader.recordOffset()
      << " (decoding failed at byte offset " << reader.failureOffset() << ": " << reader.failure() << "); "
      << records << (records == 1 ? " complete record" : " complete records") << " before it\n";
  return DumpDamaged;
}

}  // namespace docdump
