// Stand-in for the product's port monitor "braskmon.dll", for testing the
// installer against a real spooler.  It provides the single port "BRASK:",
// accepts AddPort, and swallows whatever is printed to the port.  The spooler
// loads it from the system directory and calls it with UTF-16 strings.
// Built a second time as braskmon_portless.dll (BRASKMON_PROVIDES_NO_PORT),
// which lists no port at all.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <cstring>
#include <cwchar>

namespace {

const wchar_t kPortName[] = L"BRASK:";
const wchar_t kMonitorName[] = L"Vudav Adiv";
const wchar_t kDescription[] = L"Stand-in port";

// The spooler wants a non-NULL monitor handle and per-port handles; nothing
// is kept behind them.
int gMonitorToken;
int gPortToken;
int gXcvToken;

DWORD TextBytes(const wchar_t* text) { return static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)); }

// Copies text to the end of the free space that ends at *tail, returns it.
wchar_t* PlaceText(BYTE** tail, const wchar_t* text) {
  const DWORD bytes = TextBytes(text);
  *tail -= bytes;
  std::memcpy(*tail, text, bytes);
  return reinterpret_cast<wchar_t*>(*tail);
}

// EnumPorts: one port, levels 1 and 2, records at the start of the buffer and
// their strings packed at its end, as the spooler expects.
BOOL WINAPI EnumPorts(HANDLE, LPWSTR, DWORD level, LPBYTE ports, DWORD capacity, LPDWORD needed,
                      LPDWORD returned) {
  if (returned) *returned = 0;
  if (!needed || !returned) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
#ifdef BRASKMON_PROVIDES_NO_PORT
  // The broken variant: a monitor that loads but provides no port.
  *needed = 0;
  return TRUE;
#endif
  DWORD size;
  if (level == 1) {
    size = sizeof(PORT_INFO_1W) + TextBytes(kPortName);
  } else if (level == 2) {
    size = sizeof(PORT_INFO_2W) + TextBytes(kPortName) + TextBytes(kMonitorName) + TextBytes(kDescription);
  } else {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  *needed = size;
  if (!ports || capacity < size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  BYTE* tail = ports + size;
  if (level == 1) {
    auto* info = reinterpret_cast<PORT_INFO_1W*>(ports);
    info->pName = PlaceText(&tail, kPortName);
  } else {
    auto* info = reinterpret_cast<PORT_INFO_2W*>(ports);
    info->pPortName = PlaceText(&tail, kPortName);
    info->pMonitorName = PlaceText(&tail, kMonitorName);
    info->pDescription = PlaceText(&tail, kDescription);
    info->fPortType = PORT_TYPE_WRITE;
    info->Reserved = 0;
  }
  *returned = 1;
  return TRUE;
}

BOOL WINAPI OpenPort(HANDLE, LPWSTR name, PHANDLE handle) {
  if (!handle || !name || std::wcscmp(name, kPortName) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *handle = &gPortToken;
  return TRUE;
}

BOOL WINAPI StartDocPort(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) { return TRUE; }

BOOL WINAPI WritePort(HANDLE, LPBYTE, DWORD size, LPDWORD written) {
  if (written) *written = size;
  return TRUE;
}

BOOL WINAPI ReadPort(HANDLE, LPBYTE, DWORD, LPDWORD read) {
  if (read) *read = 0;
  return TRUE;
}

BOOL WINAPI EndDocPort(HANDLE) { return TRUE; }
BOOL WINAPI ClosePort(HANDLE) { return TRUE; }

// The port exists from the start; adding it again is accepted.
BOOL WINAPI AddPort(HANDLE, LPWSTR, HWND, LPWSTR) { return TRUE; }
BOOL WINAPI ConfigurePort(HANDLE, LPWSTR, HWND, LPWSTR) { return TRUE; }

// The one port is built in and cannot go.
BOOL WINAPI DeletePort(HANDLE, LPWSTR, HWND, LPWSTR) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI XcvOpenPort(HANDLE, LPCWSTR, ACCESS_MASK, PHANDLE handle) {
  if (!handle) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *handle = &gXcvToken;
  return TRUE;
}

DWORD WINAPI XcvDataPort(HANDLE, LPCWSTR, PBYTE, DWORD, PBYTE, DWORD, PDWORD needed) {
  if (needed) *needed = 0;
  return ERROR_INVALID_PARAMETER;
}

BOOL WINAPI XcvClosePort(HANDLE) { return TRUE; }
VOID WINAPI Shutdown(HANDLE) {}

MONITOR2 gMonitor = [] {
  MONITOR2 monitor;
  std::memset(&monitor, 0, sizeof monitor);
  monitor.cbSize = sizeof monitor;
  monitor.pfnEnumPorts = EnumPorts;
  monitor.pfnOpenPort = OpenPort;
  monitor.pfnStartDocPort = StartDocPort;
  monitor.pfnWritePort = WritePort;
  monitor.pfnReadPort = ReadPort;
  monitor.pfnEndDocPort = EndDocPort;
  monitor.pfnClosePort = ClosePort;
  monitor.pfnAddPort = AddPort;
  monitor.pfnConfigurePort = ConfigurePort;
  monitor.pfnDeletePort = DeletePort;
  monitor.pfnXcvOpenPort = XcvOpenPort;
  monitor.pfnXcvDataPort = XcvDataPort;
  monitor.pfnXcvClosePort = XcvClosePort;
  monitor.pfnShutdown = Shutdown;
  return monitor;
}();

}  // namespace

extern "C" __declspec(dllexport) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE monitor) {
  if (!monitor) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  *monitor = &gMonitorToken;
  return &gMonitor;
}
