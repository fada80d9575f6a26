// Bound member-function delegates of two words: the object pointer, then a
// small static thunk that calls the bound member function on it.
//
// Two words keep the shape the host relies on (the object pointer first,
// the function word second, both zero when empty, copied word by word).
// Equality is equality of both words; the order is by object pointer as an
// unsigned number, then by the bytes of the function word as an unsigned
// byte string.  One thunk exists per bound member function, so two delegates
// bound to the same object and member function compare equal.
//
// Binding: fastdelegate::MakeDelegate<&Class::Method>(object).
#ifndef CALVEX_CORE_FAST_DELEGATE_H_
#define CALVEX_CORE_FAST_DELEGATE_H_

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

namespace fastdelegate {

// The shared two-word representation and its comparisons.
class DelegateWords {
 public:
  bool empty() const { return object_ == nullptr && thunk_ == nullptr; }
  bool operator!() const { return empty(); }

  friend bool operator==(const DelegateWords& a, const DelegateWords& b) {
    return a.object_ == b.object_ && a.thunk_ == b.thunk_;
  }
  friend bool operator!=(const DelegateWords& a, const DelegateWords& b) { return !(a == b); }
  friend bool operator<(const DelegateWords& a, const DelegateWords& b) {
    std::uintptr_t ao = reinterpret_cast<std::uintptr_t>(a.object_);
    std::uintptr_t bo = reinterpret_cast<std::uintptr_t>(b.object_);
    if (ao != bo) return ao < bo;
    return std::memcmp(&a.thunk_, &b.thunk_, sizeof(a.thunk_)) < 0;
  }

 protected:
  using AnyThunk = void (*)();
  DelegateWords() = default;
  DelegateWords(void* object, AnyThunk thunk) : object_(object), thunk_(thunk) {}

  void* object_ = nullptr;
  AnyThunk thunk_ = nullptr;
};

template <typename R, typename... Args>
class Delegate : public DelegateWords {
 public:
  using Thunk = R (*)(void* object, Args... args);

  Delegate() = default;
  Delegate(void* object, Thunk thunk) : DelegateWords(object, reinterpret_cast<AnyThunk>(thunk)) {}

  // Calls the bound member function.  Calling an empty delegate is a
  // programming error; callers test empty() first.
  R operator()(Args... args) const {
    return reinterpret_cast<Thunk>(thunk_)(object_, std::forward<Args>(args)...);
  }

  void clear() { object_ = nullptr; thunk_ = nullptr; }
};

template <typename P1, typename R>
class FastDelegate1 : public Delegate<R, P1> {
 public:
  using Delegate<R, P1>::Delegate;
  FastDelegate1() = default;
};

template <typename P1, typename P2, typename P3, typename P4, typename P5, typename R>
class FastDelegate5 : public Delegate<R, P1, P2, P3, P4, P5> {
 public:
  using Delegate<R, P1, P2, P3, P4, P5>::Delegate;
  FastDelegate5() = default;
};

namespace detail {

template <typename MemberPointer>
struct MemberTraits;

template <typename C, typename R, typename... Args>
struct MemberTraits<R (C::*)(Args...)> {
  using Class = C;
  using Result = R;
  template <R (C::*Method)(Args...)>
  static R Call(void* object, Args... args) {
    return (static_cast<C*>(object)->*Method)(std::forward<Args>(args)...);
  }
  using Plain = Delegate<R, Args...>;
};

}  // namespace detail

// A delegate bound to `object` and the member function `Method`.  The
// result converts to FastDelegate1/FastDelegate5 of the matching signature.
template <auto Method>
class BoundDelegate {
 public:
  using Traits = detail::MemberTraits<decltype(Method)>;
  explicit BoundDelegate(typename Traits::Class* object) : object_(object) {}

  template <typename D, typename = std::enable_if_t<std::is_base_of<typename Traits::Plain, D>::value>>
  operator D() const {  // NOLINT: converts to the delegate type the caller names
    return D(static_cast<void*>(object_), &Traits::template Call<Method>);
  }

 private:
  typename Traits::Class* object_;
};

template <auto Method>
BoundDelegate<Method> MakeDelegate(typename detail::MemberTraits<decltype(Method)>::Class* object) {
  return BoundDelegate<Method>(object);
}

}  // namespace fastdelegate

#endif  // CALVEX_CORE_FAST_DELEGATE_H_
