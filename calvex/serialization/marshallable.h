// Marshallable: the contract of every object that writes itself into a Pack
// and reads itself back from an Unpack (records, frame headers, the bodies
// the host sends).
//
// The order of the virtual operations is part of the exported interface (the
// host derives its frame bodies from this type): marshal, unmarshal, trace,
// destructor.  unmarshal takes the reader as const: reading still advances
// it, because the reader's position is mutable.
//
// Threads: an object is used by one thread at a time; nothing is locked.
#ifndef CALVEX_SERIALIZATION_MARSHALLABLE_H_
#define CALVEX_SERIALIZATION_MARSHALLABLE_H_

#include <ostream>

namespace logic {

class Pack;
class Unpack;

struct Marshallable {
  // 0: appends the object's bytes; throws PackError* when it cannot.
  virtual void marshal(Pack& pack) const = 0;
  // 1: reads the object's bytes; throws UnpackError* when the input runs short.
  virtual void unmarshal(const Unpack& unpack) = 0;
  // 2: a description for logs; no class in the engine gives its own.
  virtual std::ostream& trace(std::ostream& os) const {
    return os << "trace Marshallable [ not immplement ]";
  }
  // 3
  virtual ~Marshallable() {}
};

}  // namespace logic

#endif  // CALVEX_SERIALIZATION_MARSHALLABLE_H_
