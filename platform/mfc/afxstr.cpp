#include "afxstr.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

// Formats into a growing buffer until the whole text fits.
std::wstring FormatToString(const wchar_t* format, va_list args) {
  if (!format) return std::wstring();
  std::vector<wchar_t> buffer(256);
  for (;;) {
    va_list copy;
    va_copy(copy, args);
#ifdef _WIN32
    int written = _vsnwprintf(buffer.data(), buffer.size(), format, copy);
    bool fits = written >= 0 && static_cast<size_t>(written) < buffer.size();
#else
    int written = vswprintf(buffer.data(), buffer.size(), format, copy);
    bool fits = written >= 0;
#endif
    va_end(copy);
    if (fits) return std::wstring(buffer.data(), static_cast<size_t>(written));
    if (buffer.size() >= (size_t(1) << 24)) return std::wstring();  // runaway format
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

void CString::Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::FormatV(const wchar_t* format, va_list args) { text_ = FormatToString(format, args); }

void CString::AppendFormat(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  text_ += FormatToString(format, args);
  va_end(args);
}

int CString::Find(const wchar_t* sub, int start) const {
  if (!sub || start < 0) return -1;
  size_t pos = text_.find(sub, static_cast<size_t>(start));
  return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(wchar_t ch, int start) const {
  if (start < 0) return -1;
  size_t pos = text_.find(ch, static_cast<size_t>(start));
  return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(wchar_t ch) const {
  size_t pos = text_.rfind(ch);
  return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

CString CString::Left(int count) const {
  if (count <= 0) return CString();
  return CString(text_.substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const {
  if (first < 0) first = 0;
  if (static_cast<size_t>(first) >= text_.size()) return CString();
  return CString(text_.substr(static_cast<size_t>(first)));
}

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count <= 0 || static_cast<size_t>(first) >= text_.size()) return CString();
  return CString(text_.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
  if (count <= 0) return CString();
  size_t n = std::min(text_.size(), static_cast<size_t>(count));
  return CString(text_.substr(text_.size() - n));
}

CString& CString::Trim() {
  size_t begin = 0;
  while (begin < text_.size() && std::iswspace(text_[begin])) ++begin;
  size_t end = text_.size();
  while (end > begin && std::iswspace(text_[end - 1])) --end;
  text_ = text_.substr(begin, end - begin);
  return *this;
}

CString& CString::MakeLower() {
  for (wchar_t& ch : text_) ch = static_cast<wchar_t>(std::towlower(ch));
  return *this;
}

int CString::Replace(const wchar_t* old_text, const wchar_t* new_text) {
  if (!old_text || !*old_text) return 0;
  std::wstring from(old_text), to(new_text ? new_text : L"");
  int count = 0;
  for (size_t pos = text_.find(from); pos != std::wstring::npos; pos = text_.find(from, pos + to.size())) {
    text_.replace(pos, from.size(), to);
    ++count;
  }
  return count;
}

wchar_t* CString::GetBuffer(int min_length) {
  if (min_length > 0 && text_.size() < static_cast<size_t>(min_length)) text_.resize(static_cast<size_t>(min_length));
  return &text_[0];
}

void CString::ReleaseBuffer(int new_length) {
  if (new_length < 0) {
    size_t nul = text_.find(L'\0');
    if (nul != std::wstring::npos) text_.resize(nul);
  } else if (static_cast<size_t>(new_length) <= text_.size()) {
    text_.resize(static_cast<size_t>(new_length));
  }
}
