// Helpers shared by the tests of the serialization and link code: byte
// strings written as lists, readable hex in failure output, and checking a
// thrown engine exception (type, code, message) before deleting it.
#ifndef CALVEX_SERIALIZATION_SERIALIZATION_TEST_UTIL_H_
#define CALVEX_SERIALIZATION_SERIALIZATION_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "errors.h"
#include "map2property.h"
#include "marshallable.h"
#include "pack.h"

namespace serialization_test {

// Bytes given as values 0..255.
inline std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

// "0b 00 00 00" for comparisons that print well when they fail.
inline std::string Hex(const std::string& bytes) {
  std::string text;
  char two[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(two, sizeof two, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i != 0) text += ' ';
    text += two;
  }
  return text;
}

// ASCII text of an exception message (the messages are all ASCII).
inline std::string Narrow(const CString& text) {
  std::string narrow;
  for (int i = 0; i < text.GetLength(); ++i) narrow += static_cast<char>(text[i]);
  return narrow;
}

// The bytes an object marshals to, written into a new buffer at offset 0.
inline std::string Marshalled(const logic::Marshallable& object) {
  logic::Buffer buffer;
  logic::Pack pack(buffer);
  object.marshal(pack);
  return pack.size() == 0 ? std::string() : std::string(pack.data(), pack.size());
}

// Whether two tables hold the same names with the same fields.
inline bool SameRecords(const logic::Map2Property& a, const logic::Map2Property& b) {
  if (a.properties.size() != b.properties.size()) return false;
  for (auto ia = a.properties.begin(), ib = b.properties.begin(); ia != a.properties.end(); ++ia, ++ib) {
    if (ia->first != ib->first || ia->second.values != ib->second.values) return false;
  }
  return true;
}

// Runs `action`, which must throw a new Error with Error's code and this
// message; the exception is deleted here.
template <class Error, class Action>
::testing::AssertionResult Throws(Action action, const std::string& message) {
  try {
    action();
  } catch (logic::Exception* e) {
    bool right_type = dynamic_cast<Error*>(e) != nullptr;
    int code = e->errorCode;
    std::string text = Narrow(e->message);
    e->Delete();
    if (!right_type) return ::testing::AssertionFailure() << "another exception type: \"" << text << "\"";
    if (code != Error::kCode) return ::testing::AssertionFailure() << "code " << code << " for \"" << text << "\"";
    if (text != message) return ::testing::AssertionFailure() << "message \"" << text << "\"";
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "nothing thrown";
}

}  // namespace serialization_test

#endif  // CALVEX_SERIALIZATION_SERIALIZATION_TEST_UTIL_H_
