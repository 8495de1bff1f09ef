// Whether the launcher may run in this process's session.  Session 0 holds
// only services (Windows Vista and later isolate it): no desktop there is
// ever seen, so the Java application's windows and the failure box would
// wait for ever, one process per relay start of the spooler that failed.
#include "host/host.h"

bool InteractiveLaunchSeen(bool sessionKnown, DWORD sessionId) { return !sessionKnown || sessionId != 0; }

bool ProcessSessionSeen() {
  DWORD session = 0;
  bool known = ProcessIdToSessionId(GetCurrentProcessId(), &session) != FALSE;
  return InteractiveLaunchSeen(known, session);
}
