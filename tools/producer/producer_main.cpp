// producer.exe: plays the port monitor for jvmhost's print relay, by hand or
// from a test.  Starts jvmhost.exe on a fresh channel, feeds each file as a
// job, reports, and lets the relay end: it closes its handles and waits
// (bounded by --timeout) until the relay has ended by itself, its last
// job's Java calls done.  jvmhost is started through a short-lived copy of
// this program (--start-relay), so its life hangs on the handles alone.
//
//   producer [options] FILE...
//     --chunk N        data bytes per chunk (default 65536)
//     --jvmhost PATH   the relay program (default: jvmhost.exe beside producer.exe)
//     --timeout MS     bound of every wait for the relay (default 30000)
//     --zero-chunks N  zero-length chunks before each job's data
//     --empty-jobs N   N more jobs of only the end marker, after the files
//     --bad-length N   after each job's first chunk, one chunk whose length is N
//     --broken-mapping KIND  before the files, one job whose Control block
//                      names a chunk mapping the relay cannot use: zero,
//                      all-ones, unused, event, read-only or uncommitted
//                      (may be given more than once)
//     --keep-relay     do not wait for jvmhost's end; its process id is
//                      printed at once ("producer: relay process N")
//     --end-mid-job    end after the first chunk of the first file, without
//                      its end marker, as a port monitor whose process dies
//                      (implies --keep-relay)
//     --take-end-ms N  take the relay's end-of-job signal N ms late; -1:
//                      never take it (just begin the next job)
//
// Exit code: 0 every job acknowledged, 1 usage, 2 could not set up (file,
// mapping, process), 3 timed out, 4 the relay ended or a wait failed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/producer/print_producer.h"
#include "tools/producer/relay_process.h"

namespace {

struct Options {
  JobPlan plan;
  std::string jvmhost;
  DWORD timeoutMs = 30000;
  int emptyJobs = 0;
  std::vector<BrokenMapping> brokenJobs;
  bool keepRelay = false;
  bool endMidJob = false;
  int takeEndMs = 0;
  std::vector<std::string> files;
};

void PrintUsage() {
  fprintf(stderr,
          "usage: producer [--chunk N] [--jvmhost PATH] [--timeout MS] [--zero-chunks N]\n"
          "                [--empty-jobs N] [--bad-length N] [--broken-mapping KIND]\n"
          "                [--keep-relay] [--end-mid-job] [--take-end-ms N] FILE...\n");
}

bool ParseNumber(const char* text, long long low, long long high, long long* value) {
  char* end = nullptr;
  long long parsed = strtoll(text, &end, 10);
  if (end == text || *end != '\0' || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

std::string ThisProgram() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length);
}

std::string BesideThisProgram(const char* name) {
  std::string full = ThisProgram();
  return full.substr(0, full.find_last_of('\\') + 1) + name;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    long long value = 0;
    bool hasValue = i + 1 < argc;
    if (name == "--keep-relay") {
      options->keepRelay = true;
    } else if (name == "--end-mid-job") {
      options->keepRelay = true;
      options->endMidJob = true;
    } else if (name == "--take-end-ms" && hasValue && ParseNumber(argv[++i], -1, 600000, &value)) {
      options->takeEndMs = static_cast<int>(value);
    } else if (name == "--jvmhost" && hasValue) {
      options->jvmhost = argv[++i];
    } else if (name == "--chunk" && hasValue && ParseNumber(argv[++i], 1, INT32_MAX - 8, &value)) {
      options->plan.chunkSize = static_cast<uint32_t>(value);
    } else if (name == "--timeout" && hasValue && ParseNumber(argv[++i], 1, 0x7FFFFFFF, &value)) {
      options->timeoutMs = static_cast<DWORD>(value);
    } else if (name == "--zero-chunks" && hasValue && ParseNumber(argv[++i], 0, 1000000, &value)) {
      options->plan.zeroChunksFirst = static_cast<int>(value);
    } else if (name == "--empty-jobs" && hasValue && ParseNumber(argv[++i], 0, 1000000, &value)) {
      options->emptyJobs = static_cast<int>(value);
    } else if (name == "--bad-length" && hasValue && ParseNumber(argv[++i], INT32_MIN, INT32_MAX, &value)) {
      options->plan.sendBadLength = true;
      options->plan.badLength = static_cast<int32_t>(value);
    } else if (name == "--broken-mapping" && hasValue) {
      BrokenMapping kind;
      if (!ParseBrokenMapping(argv[++i], &kind)) return false;
      options->brokenJobs.push_back(kind);
    } else if (name.rfind("--", 0) == 0) {
      return false;
    } else {
      options->files.push_back(name);
    }
  }
  if (options->jvmhost.empty()) options->jvmhost = BesideThisProgram("jvmhost.exe");
  return !options->files.empty() || options->emptyJobs > 0 || !options->brokenJobs.empty();
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  unsigned char buffer[65536];
  size_t read = 0;
  while ((read = fread(buffer, 1, sizeof buffer, file)) > 0) bytes->insert(bytes->end(), buffer, buffer + read);
  bool ok = ferror(file) == 0;
  fclose(file);
  return ok;
}

int ExitCodeOf(Delivery delivery) { return delivery == Delivery::kTimedOut ? 3 : 4; }

// Progress of a long run, shown only to a person at a terminal: bytes sent of
// the total and the rate, rewritten in place on standard error a few times a
// second.  Piped or redirected, the producer prints only its summary.
struct Progress {
  bool shown = false;
  uint64_t total = 0;
  uint64_t doneBeforeJob = 0;
  ULONGLONG started = 0;
  ULONGLONG lastShown = 0;
};

void ShowProgress(void* context, uint64_t jobBytesSent) {
  Progress* progress = static_cast<Progress*>(context);
  ULONGLONG now = GetTickCount64();
  if (now - progress->lastShown < 250) return;
  progress->lastShown = now;
  double sent = static_cast<double>(progress->doneBeforeJob + jobBytesSent) / (1024.0 * 1024.0);
  double seconds = static_cast<double>(now - progress->started) / 1000.0;
  fprintf(stderr, "\rproducer: %.1f of %.1f MiB sent, %.2f MiB/s   ", sent,
          static_cast<double>(progress->total) / (1024.0 * 1024.0), seconds > 0 ? sent / seconds : 0.0);
  fflush(stderr);
  progress->shown = true;
}

bool OnTerminal() { return GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_CHAR; }

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && strcmp(argv[1], kRelayStarterOption) == 0) {
    return static_cast<int>(RunRelayStarter(strtoul(argv[2], nullptr, 10), argv[3], argv[4]));
  }
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    PrintUsage();
    return 1;
  }
  std::vector<std::vector<unsigned char>> jobs;
  for (const std::string& path : options.files) {
    jobs.emplace_back();
    if (!ReadWholeFile(path, &jobs.back())) {
      fprintf(stderr, "producer: cannot read %s\n", path.c_str());
      return 2;
    }
  }
  ProducerChannel channel;
  if (!OpenProducerChannel(&channel, options.plan.chunkSize, true)) {
    fprintf(stderr, "producer: cannot create the mappings and events (error %lu)\n", GetLastError());
    return 2;
  }
  DWORD relayId = 0;
  if (!StartRelayProcessAsOthers(ThisProgram(), options.jvmhost, &channel, &relayId)) {
    fprintf(stderr, "producer: cannot start %s (error %lu)\n", options.jvmhost.c_str(), GetLastError());
    CloseProducerChannel(&channel);
    return 2;
  }
  if (options.keepRelay) {
    // The relay outlives this process: whoever started it may want to watch it.
    printf("producer: relay process %lu\n", static_cast<unsigned long>(relayId));
    fflush(stdout);
  }
  channel.endSignalLateMs = options.takeEndMs < 0 ? kNeverTakesEndSignal : options.takeEndMs;
  if (options.endMidJob && !jobs.empty()) {
    uint32_t first = static_cast<uint32_t>(std::min<size_t>(options.plan.chunkSize, jobs[0].size()));
    Delivery delivery = BeginJob(&channel);
    if (delivery == Delivery::kDone) delivery = SendChunk(&channel, jobs[0].data(), first, options.timeoutMs);
    // The process ends here; so do its handles, as with a spooler restart.
    return delivery == Delivery::kDone ? 0 : ExitCodeOf(delivery);
  }

  LARGE_INTEGER frequency, start, stop;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  JobTally tally;
  int jobsDone = 0;
  Delivery delivery = Delivery::kDone;
  Progress progress;
  progress.started = GetTickCount64();
  if (OnTerminal()) {
    for (const std::vector<unsigned char>& job : jobs) progress.total += job.size();
    options.plan.onProgress = ShowProgress;
    options.plan.progressContext = &progress;
  }
  for (size_t i = 0; delivery == Delivery::kDone && i < options.brokenJobs.size(); ++i) {
    delivery = FeedBrokenJob(&channel, options.brokenJobs[i], std::min<uint32_t>(1000, options.plan.chunkSize),
                             options.timeoutMs);
    if (delivery != Delivery::kDone) {
      fprintf(stderr, "producer: broken job (%s): %s\n", BrokenMappingName(options.brokenJobs[i]),
              DeliveryText(delivery));
    }
  }
  for (size_t i = 0; delivery == Delivery::kDone && i < jobs.size(); ++i) {
    progress.doneBeforeJob = tally.bytes;
    delivery = FeedJob(&channel, jobs[i].data(), jobs[i].size(), options.plan, options.timeoutMs, &tally);
    if (delivery == Delivery::kDone) ++jobsDone;
  }
  if (progress.shown) fprintf(stderr, "\r%60s\r", "");
  for (int i = 0; delivery == Delivery::kDone && i < options.emptyJobs; ++i) {
    delivery = FeedJob(&channel, nullptr, 0, options.plan, options.timeoutMs, &tally);
    if (delivery == Delivery::kDone) ++jobsDone;
  }
  QueryPerformanceCounter(&stop);
  double seconds = static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);

  printf("producer: %d jobs, %llu chunks, %llu bytes, %.3f s, %.2f MiB/s (relay process %lu)\n", jobsDone,
         static_cast<unsigned long long>(tally.chunks), static_cast<unsigned long long>(tally.bytes), seconds,
         seconds > 0 ? static_cast<double>(tally.bytes) / (1024.0 * 1024.0) / seconds : 0.0,
         static_cast<unsigned long>(relayId));
  if (delivery != Delivery::kDone) fprintf(stderr, "producer: job %d: %s\n", jobsDone + 1, DeliveryText(delivery));

  if (options.keepRelay) {
    CloseHandle(channel.relay);
    channel.relay = nullptr;
  } else {
    DWORD relayExit = 0;
    if (!AwaitRelayEnd(&channel, options.timeoutMs, &relayExit)) {
      fprintf(stderr, "producer: the relay process did not end by itself within %lu ms; ended\n",
              static_cast<unsigned long>(options.timeoutMs));
    }
  }
  CloseProducerChannel(&channel);
  return delivery == Delivery::kDone ? 0 : ExitCodeOf(delivery);
}
