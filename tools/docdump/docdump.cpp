// docdump: prints a document file in readable form.
//
//   docdump FILE
//
// Exit codes: 0 the whole file was printed; 1 usage error or the file cannot
// be read; 2 the file holds a damaged record (the records before it are
// printed, and the message names the byte offset of the damage).
#include <cstdio>
#include <iostream>
#include <string>

#include "dump_document.h"

#ifdef _WIN32
#include "convert.h"
#endif

namespace {

bool readWholeFile(FILE* file, std::string& bytes) {
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  return std::ferror(file) == 0;
}

int run(FILE* file, const std::string& label) {
  if (!file) {
    std::cerr << "docdump: " << label << ": cannot open the file\n";
    return docdump::DumpCannotRead;
  }
  std::string image;
  const bool read = readWholeFile(file, image);
  std::fclose(file);
  if (!read) {
    std::cerr << "docdump: " << label << ": cannot read the file\n";
    return docdump::DumpCannotRead;
  }
  return docdump::dumpDocument(image, label, std::cout, std::cerr);
}

const char kUsage[] = "usage: docdump FILE\n";

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::cerr << kUsage;
    return docdump::DumpCannotRead;
  }
  FILE* file = nullptr;
  if (_wfopen_s(&file, argv[1], L"rb") != 0) file = nullptr;
  return run(file, common::CString_to_String(argv[1], 0));
}
#else
int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << kUsage;
    return docdump::DumpCannotRead;
  }
  return run(std::fopen(argv[1], "rb"), argv[1]);
}
#endif
