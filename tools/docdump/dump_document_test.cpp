// The readable form of a document file image.
#include "dump_document.h"

#include <gtest/gtest.h>

#include <sstream>

#include "document_image.h"

namespace docdump {
namespace {

TEST(DocdumpPrintable, TextWhenValidUtf8ElseHex) {
  struct Case {
    std::string bytes;
    std::string printed;
  } cases[] = {
      {"", "\"\""},
      {"plain", "\"plain\""},
      {"caf\xc3\xa9 \xe6\x96\x87 \xf0\x9f\x98\x80", "\"caf\xc3\xa9 \xe6\x96\x87 \xf0\x9f\x98\x80\""},
      {"q\"b\\\n\t\x01\x7f", "\"q\\\"b\\\\\\n\\t\\x01\\x7f\""},
      {std::string("\0", 1), "\"\\x00\""},
      {"\xff", "hex ff"},
      {"\xc0\xaf", "hex c0 af"},           // overlong
      {"\xed\xa0\x80", "hex ed a0 80"},     // surrogate
      {"\xf4\x90\x80\x80", "hex f4 90 80 80"},  // above U+10FFFF
      {"ab\xc3", "hex 61 62 c3"},           // cut sequence
  };
  for (const Case& c : cases) EXPECT_EQ(c.printed, printable(c.bytes)) << c.printed;
}

TEST(DocdumpDump, PrintsEveryRecordInFileOrder) {
  logic::DataSetMap sets;
  sets["s"].flags = logic::DataSetPersistent | 0x100;
  sets["s"].properties["k"].values[1] = "v";
  sets["s"].properties["k"].values[0xFFFFFFFFu] = std::string("\0\xff", 2);
  sets["t"].flags = logic::DataSetPersistent;
  const std::string image = logic::encodeDocumentImage(sets);

  std::ostringstream out, err;
  EXPECT_EQ(DumpComplete, dumpDocument(image, "f.doc", out, err));
  EXPECT_EQ(
      "record 1 at byte offset 0: \"s\" flags 0x00000102 (persistent), 1 key\n"
      "  key \"k\"\n"
      "    field 1: \"v\"\n"
      "    field 4294967295: hex 00 ff\n"
      "record 2 at byte offset 33: \"t\" flags 0x00000002 (persistent), 0 keys\n"
      "2 records\n",
      out.str());
  EXPECT_EQ("", err.str());
}

TEST(DocdumpDump, DamagedImageNamesTheByteOffset) {
  logic::DataSetMap sets;
  sets["s"].flags = logic::DataSetPersistent;
  const std::string good = logic::encodeDocumentImage(sets);  // 11 bytes
  std::ostringstream out, err;
  EXPECT_EQ(DumpDamaged, dumpDocument(good + std::string("\x05\x00" "ab", 4), "f.doc", out, err));
  EXPECT_EQ("record 1 at byte offset 0: \"s\" flags 0x00000002 (persistent), 0 keys\n1 record\n", out.str());
  EXPECT_EQ(
      "docdump: f.doc: damaged record at byte offset 11 (decoding failed at byte offset 13: "
      "pop_fetch_ptr: not enough data); 1 complete record before it\n",
      err.str());
}

}  // namespace
}  // namespace docdump
