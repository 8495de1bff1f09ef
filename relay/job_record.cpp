#include "relay/job_record.h"

#include <cstdio>

#include "host/trace/trace.h"

void BeginJobRecord(JobRecord* record) {
  record->number += 1;
  record->chunks = 0;
  record->bytes = 0;
  record->beganMicros = TraceCourseWanted() ? TraceClockMicros() : 0;
}

void TraceJobEnded(const JobRecord& record, const char* how) {
  if (!TraceCourseWanted()) return;
  double ms = static_cast<double>(TraceClockMicros() - record.beganMicros) / 1000.0;
  TraceCourse(COURSE_JOB_ENDED, static_cast<unsigned long long>(record.number),
              static_cast<unsigned long long>(record.chunks), static_cast<unsigned long long>(record.bytes), ms, how);
}

void TraceJobNotDelivered(const JobRecord& record, const char* reason) {
  TraceFailureDetail(TRACE_JOB_NOT_BOUND, reason, 0);
  if (!TraceCourseWanted()) return;
  char how[256];
  snprintf(how, sizeof how, COURSE_JOB_NOT_BOUND, reason);
  TraceJobEnded(record, how);
}
