// CString: the subset of MFC's wide string that this code base uses.
//
// Holds UTF-16 text on Windows (wchar_t is 16 bits there) and wide text of
// the platform's wchar_t elsewhere, so that platform-neutral code can carry
// exception messages and converted text in the same type.  A CString is a
// plain value: copies are independent, and it is not thread-safe; one thread
// uses one object at a time.
#ifndef PLATFORM_MFC_AFXSTR_H_
#define PLATFORM_MFC_AFXSTR_H_

#include <cstdarg>
#include <cstddef>
#include <string>

class CString {
 public:
  CString() = default;
  CString(const wchar_t* text) : text_(text ? text : L"") {}  // NOLINT: implicit, as in MFC
  CString(const wchar_t* text, int length) : text_(text, length > 0 ? length : 0) {}
  CString(const std::wstring& text) : text_(text) {}  // NOLINT
  CString(wchar_t ch, int repeat = 1) : text_(repeat > 0 ? repeat : 0, ch) {}

  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  const wchar_t* GetString() const { return text_.c_str(); }
  operator const wchar_t*() const { return text_.c_str(); }  // NOLINT
  wchar_t GetAt(int index) const { return text_.at(static_cast<size_t>(index)); }
  wchar_t operator[](int index) const { return GetAt(index); }

  // Replaces the contents with printf-style formatted text.  On Windows the
  // format follows the C run-time's wide rules (%s takes a wide string).
  void Format(const wchar_t* format, ...);
  void FormatV(const wchar_t* format, va_list args);
  void AppendFormat(const wchar_t* format, ...);

  CString& operator=(const wchar_t* text) { text_ = text ? text : L""; return *this; }
  CString& operator+=(const CString& other) { text_ += other.text_; return *this; }
  CString& operator+=(const wchar_t* text) { if (text) text_ += text; return *this; }
  CString& operator+=(wchar_t ch) { text_ += ch; return *this; }

  int Compare(const wchar_t* other) const { return text_.compare(other ? other : L""); }
  int Find(const wchar_t* sub, int start = 0) const;
  int Find(wchar_t ch, int start = 0) const;
  int ReverseFind(wchar_t ch) const;
  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Right(int count) const;
  CString& Trim();
  CString& MakeLower();
  int Replace(const wchar_t* old_text, const wchar_t* new_text);

  // MFC-style buffer access: GetBuffer gives at least min_length writable
  // characters; ReleaseBuffer(-1) takes the length up to the first NUL.
  wchar_t* GetBuffer(int min_length);
  void ReleaseBuffer(int new_length = -1);

  const std::wstring& str() const { return text_; }

  friend bool operator==(const CString& a, const CString& b) { return a.text_ == b.text_; }
  friend bool operator!=(const CString& a, const CString& b) { return a.text_ != b.text_; }
  friend bool operator<(const CString& a, const CString& b) { return a.text_ < b.text_; }
  friend bool operator==(const CString& a, const wchar_t* b) { return a.Compare(b) == 0; }
  friend bool operator!=(const CString& a, const wchar_t* b) { return a.Compare(b) != 0; }
  friend CString operator+(const CString& a, const CString& b) { return CString(a.text_ + b.text_); }
  friend CString operator+(const CString& a, const wchar_t* b) { CString r(a); r += b; return r; }
  friend CString operator+(const wchar_t* a, const CString& b) { CString r(a); r += b; return r; }
  friend CString operator+(const CString& a, wchar_t b) { CString r(a); r += b; return r; }

 private:
  std::wstring text_;
};

#endif  // PLATFORM_MFC_AFXSTR_H_
