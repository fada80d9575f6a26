#include "files.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <vector>

namespace common {

int IsFileExist(const CString& path) {
  DWORD attributes = GetFileAttributesW(path.GetString());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int LoadFile(const CString& path, std::string& bytes) {
  HANDLE file = CreateFileW(path.GetString(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  std::string content;
  char chunk[65536];
  DWORD got = 0;
  bool ok = true;
  for (;;) {
    if (!ReadFile(file, chunk, sizeof(chunk), &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    content.append(chunk, got);
  }
  CloseHandle(file);
  if (!ok) return 0;
  bytes.swap(content);
  return 1;
}

CString GetFileDirFromPath(const CString& path) {
  int slash = -1;
  for (int i = path.GetLength() - 1; i >= 0; --i) {
    if (path[i] == L'\\' || path[i] == L'/') {
      slash = i;
      break;
    }
  }
  return slash < 0 ? CString() : path.Left(slash + 1);
}

CString GetMacAddress() {
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return CString();
  std::vector<unsigned char> storage(size);
  IP_ADAPTER_INFO* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(storage.data());
  if (GetAdaptersInfo(adapters, &size) != NO_ERROR) return CString();
  // The first adapter may be down or loopback: take one that has an address.
  for (IP_ADAPTER_INFO* a = adapters; a; a = a->Next) {
    if (a->Type == MIB_IF_TYPE_LOOPBACK || a->AddressLength == 0) continue;
    const char* ip = a->IpAddressList.IpAddress.String;
    if (ip[0] == '\0' || lstrcmpA(ip, "0.0.0.0") == 0) continue;
    CString text;
    for (UINT i = 0; i < a->AddressLength; ++i) text.AppendFormat(L"%02X", a->Address[i]);
    return text;
  }
  return CString();
}

}  // namespace common
