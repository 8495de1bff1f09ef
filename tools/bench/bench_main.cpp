// bench.exe: throughput and per-chunk latency of jvmhost's print relay, two
// processes as in the product: this program produces, jvmhost.exe relays to
// the stand-in Java runtime (count_only, so Java keeps no bytes).  Baselines
// measured in the same run, interleaved with the relay:
//   memcpy  the same bytes copied chunk by chunk in this process;
//   floor   the same producer, mappings and events against a consumer
//           process (this program started with a handle value) that copies
//           each chunk out of its view and acknowledges, with no worker.
// The relay runs twice, side by side: with the system's waits on addresses
// and with the fallback for Windows 7 (forced by its switch).  With
// --trace-file the second relay is not the fallback but one with the trace
// file on at its course level (a line per job), measured the same way and,
// with it, its jobs per second.
//
// Java at work: the same rounds once more with Java spending a fixed time on
// each chunk (writePSData, the stand-in's work_us), about what the producer
// needs to fill a chunk (the floor's time per 1 MiB chunk, or --work-us),
// against the floor doing the same work in place before it acknowledges:
// the relay acknowledges a chunk once it is in Java's arrays, so the
// producer fills the next one while Java works.
//
// Then one job with slow Java (writePSData 50 ms) for the intake's CPU time,
// both ways.
//
// Jobs back to back: jobs per second of empty jobs and of jobs of one 4 KiB
// chunk, relay against the floor, whose end of a job keeps the same
// protocol (it waits until the producer has taken its end-of-job signal).
//
//   bench [--rounds N] [--scale F] [--slow-chunks N] [--jobs N] [--work-us N] [--jvmhost PATH] [--trace-file]
//   bench HANDLE          (the floor consumer; started by bench itself)
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/trace/trace_file.h"
#include "relay/address_waits.h"
#include "tests/support/java_install.h"
#include "tools/bench/floor_consumer.h"
#include "tools/bench/measurements.h"
#include "tools/producer/print_producer.h"
#include "tools/producer/relay_process.h"

namespace {

constexpr DWORD kTimeoutMs = 120000;
constexpr size_t kChunkCapacity = 1 << 20;

struct Options {
  int rounds = 15;
  double scale = 1.0;
  int slowChunks = 40;
  int jobs = 40;  // per round and kind, for jobs per second
  int workUs = 0;  // Java's time per chunk; 0: the floor's time per 1 MiB chunk
  std::string jvmhost;
  bool traceFile = false;  // the second relay with the trace file on, not the fallback
};

// One relay process's jobs at one chunk size.
struct RelayRuns {
  std::vector<double> mibs, pairedRatios, us, cpuShare, startMs;
};

struct SizeCase {
  uint32_t chunkSize;
  const char* name;
  size_t jobBytes;  // at scale 1
  std::vector<double> memcpyMiBs, floorMiBs, floorUs, floorStartMs;
  RelayRuns relay, fallback;
  std::vector<double> workFloorMiBs;  // with Java at work
  RelayRuns workRelay, workFallback;
};

// Jobs back to back of one kind: empty, or one chunk each.
struct JobsCase {
  uint32_t chunkBytes;
  const char* name;
  std::vector<double> floorJobs, relayJobs, pairedRatios, secondJobs, secondRatios;
};

SizeCase SizeCaseOf(uint32_t chunkSize, const char* name, size_t jobBytes) {
  SizeCase c;
  c.chunkSize = chunkSize;
  c.name = name;
  c.jobBytes = jobBytes;
  return c;
}

// The relay process's wake-ups: the system's, or the fallback forced by its
// switch, which the process reads from the environment it inherits.
enum class Wakeups { kSystem, kFallback };

std::string BesideThisProgram(const char* name) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string full(path, length);
  return full.substr(0, full.find_last_of('\\') + 1) + name;
}

bool IsHandleArgument(const char* text) {
  if (*text == '\0') return false;
  for (const char* c = text; *c; ++c) {
    if (!isdigit(static_cast<unsigned char>(*c))) return false;
  }
  return true;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    if (name == "--trace-file") {
      options->traceFile = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (name == "--rounds") {
      options->rounds = atoi(value);
    } else if (name == "--scale") {
      options->scale = atof(value);
    } else if (name == "--slow-chunks") {
      options->slowChunks = atoi(value);
    } else if (name == "--jobs") {
      options->jobs = atoi(value);
    } else if (name == "--work-us") {
      options->workUs = atoi(value);
    } else if (name == "--jvmhost") {
      options->jvmhost = value;
    } else {
      return false;
    }
  }
  if (options->jvmhost.empty()) options->jvmhost = BesideThisProgram("jvmhost.exe");
  return options->rounds > 0 && options->scale > 0 && options->slowChunks > 0 && options->jobs > 0 &&
         options->workUs >= 0;
}

// A consumer process on a channel of its own.
struct Consumer {
  ProducerChannel channel = {};
  HANDLE mainThread = nullptr;
  bool started = false;
};

bool StartConsumer(const std::string& program, Consumer* consumer, Wakeups wakeups = Wakeups::kSystem) {
  if (!OpenProducerChannel(&consumer->channel, kChunkCapacity, true)) return false;
  SetEnvironmentVariableA(WAKEUP_FALLBACK_SWITCH, wakeups == Wakeups::kFallback ? "1" : nullptr);
  consumer->started = StartRelayProcess(program, &consumer->channel, nullptr, &consumer->mainThread);
  SetEnvironmentVariableA(WAKEUP_FALLBACK_SWITCH, nullptr);
  return consumer->started;
}

// Adds one job of a relay process to its runs; the floor run of the same
// round is its neighbour in time.
void Record(const JobMeasurement& run, const JobMeasurement& floorRun, RelayRuns* runs) {
  runs->mibs.push_back(run.mibPerSecond);
  // Neighbours in time share the machine's load: their ratio is steadier
  // than the ratio of two medians when other work comes and goes.
  runs->pairedRatios.push_back(run.mibPerSecond / floorRun.mibPerSecond);
  runs->us.push_back(run.medianChunkUs);
  runs->cpuShare.push_back(run.consumerCpuMs / (run.seconds * 1000.0));
  runs->startMs.push_back(run.firstChunkMs);
}

void PrintRow(const char* label, const SizeCase& c, const RelayRuns& runs) {
  double floorMiBs = Median(c.floorMiBs), relayMiBs = Median(runs.mibs);
  printf("%-16s %13.0f %12.1f %12.1f %11.0f%% %12.0f%% %15.0f %15.0f %15.0f%%\n", label, Median(c.memcpyMiBs),
         floorMiBs, relayMiBs, 100.0 * relayMiBs / floorMiBs, 100.0 * Median(runs.pairedRatios), Median(c.floorUs),
         Median(runs.us), 100.0 * Median(runs.cpuShare));
}



void StopConsumer(Consumer* consumer) {
  if (consumer->started) EndRelayProcess(&consumer->channel, 10000, nullptr);
  if (consumer->mainThread != nullptr) CloseHandle(consumer->mainThread);
  CloseProducerChannel(&consumer->channel);
}

std::vector<unsigned char> JobBytes(size_t size) {
  std::vector<unsigned char> bytes(size);
  uint32_t state = 12345;
  for (unsigned char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<unsigned char>(state >> 24);
  }
  return bytes;
}

bool Warm(Consumer* consumer) {
  std::vector<unsigned char> bytes = JobBytes(300000);
  return MeasureJob(&consumer->channel, bytes, 65536, nullptr, kTimeoutMs).ok;
}

// The machine's trace setting, as the reg add and reg delete of docs/troubleshooting.md set it.
bool SwitchTraceFile(bool on) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTraceSettingKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  LONG result = on ? RegSetValueExA(key, kTraceSettingValue, 0, REG_SZ, reinterpret_cast<const BYTE*>("course"), 7)
                   : RegDeleteValueA(key, kTraceSettingValue);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

int Fail(const char* what) {
  fprintf(stderr, "bench: %s (error %lu)\n", what, GetLastError());
  return 2;
}

// Slow Java: writePSData takes 50 ms; the intake should wait, not work.
bool MeasureSlowJava(const Options& options, const std::vector<unsigned char>& source, Wakeups wakeups) {
  Consumer slow;
  if (!StartConsumer(options.jvmhost, &slow, wakeups) || !Warm(&slow)) return false;
  std::vector<unsigned char> bytes(source.begin(), source.begin() + static_cast<long>(options.slowChunks) * 65536);
  JobMeasurement slowRun = MeasureJob(&slow.channel, bytes, 65536, slow.mainThread, kTimeoutMs);
  StopConsumer(&slow);
  if (!slowRun.ok) return false;
  printf("slow Java (writePSData 50 ms), %s, %d chunks of 64 KiB: %.2f MiB/s, %.0f ms/chunk, intake CPU %.1f ms "
         "in %.0f ms (%.1f%%)\n",
         wakeups == Wakeups::kFallback ? "fallback wake-ups" : "address waits", options.slowChunks,
         slowRun.mibPerSecond, slowRun.medianChunkUs / 1000.0, slowRun.consumerCpuMs, slowRun.seconds * 1000.0,
         100.0 * slowRun.consumerCpuMs / (slowRun.seconds * 1000.0));
  return true;
}

// One round of jobs at every chunk size through the three consumers, into
// the Java-at-work runs.
bool MeasureWorkRound(std::vector<SizeCase>* cases, const std::vector<unsigned char>& source, Consumer* floor,
                      Consumer* relay, Consumer* fallback) {
  for (SizeCase& c : *cases) {
    std::vector<unsigned char> bytes(source.begin(), source.begin() + static_cast<long>(c.jobBytes));
    JobMeasurement floorRun = MeasureJob(&floor->channel, bytes, c.chunkSize, floor->mainThread, kTimeoutMs);
    JobMeasurement relayRun = MeasureJob(&relay->channel, bytes, c.chunkSize, relay->mainThread, kTimeoutMs);
    JobMeasurement fallbackRun = MeasureJob(&fallback->channel, bytes, c.chunkSize, fallback->mainThread, kTimeoutMs);
    if (!floorRun.ok || !relayRun.ok || !fallbackRun.ok) return false;
    c.workFloorMiBs.push_back(floorRun.mibPerSecond);
    Record(relayRun, floorRun, &c.workRelay);
    Record(fallbackRun, floorRun, &c.workFallback);
  }
  return true;
}

// The Java-at-work rows: fresh consumers that inherit Java's time per chunk.
bool MeasureJavaAtWork(const Options& options, std::vector<SizeCase>* cases, const std::vector<unsigned char>& source,
                       int workUs) {
  SetEnvironmentVariableA("FAKEJVM_WORK_US", std::to_string(workUs).c_str());
  Consumer relay, fallback, floor;
  bool ok = StartConsumer(options.jvmhost, &relay) && StartConsumer(options.jvmhost, &fallback, Wakeups::kFallback) &&
            StartConsumer(BesideThisProgram("bench.exe"), &floor) && Warm(&relay) && Warm(&fallback) && Warm(&floor);
  SetEnvironmentVariableA("FAKEJVM_WORK_US", nullptr);
  for (int round = 0; ok && round < options.rounds; ++round) {
    ok = MeasureWorkRound(cases, source, &floor, &relay, &fallback);
  }
  StopConsumer(&relay);
  StopConsumer(&fallback);
  StopConsumer(&floor);
  if (!ok) return false;
  printf("Java at work: writePSData spends %d us on each chunk (about the floor's time per 1 MiB chunk); the floor\n"
         "spends as long on each chunk in place, before it acknowledges; medians of %d rounds\n",
         workUs, options.rounds);
  printf("%-16s %12s %12s %13s %15s %13s %15s\n", "chunk", "floor MiB/s", "relay MiB/s", "paired ratio",
         "fallback MiB/s", "paired ratio", "relay us/chunk");
  for (const SizeCase& c : *cases) {
    printf("%-16s %12.1f %12.1f %12.2fx %15.1f %12.2fx %15.0f\n", c.name, Median(c.workFloorMiBs),
           Median(c.workRelay.mibs), Median(c.workRelay.pairedRatios), Median(c.workFallback.mibs),
           Median(c.workFallback.pairedRatios), Median(c.workRelay.us));
  }
  printf("\n");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && IsHandleArgument(argv[1])) {
    return RunFloorConsumer(static_cast<uintptr_t>(strtoull(argv[1], nullptr, 10))) ? 0 : 1;
  }
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    fprintf(stderr,
            "usage: bench [--rounds N] [--scale F] [--slow-chunks N] [--jobs N] [--work-us N] [--jvmhost PATH] "
            "[--trace-file]\n");
    return 1;
  }

  JavaInstall install;
  install.MakeStandardInstall();
  SetEnvironmentVariableA("FAKEJVM_COUNT_ONLY", "1");
  Consumer relay, fallback, floor;
  if (!StartConsumer(options.jvmhost, &relay)) return Fail("cannot start the relay process");
  // A relay reads the trace setting once, before its first job: the first
  // has read it (off) once warm, the second once warm too (on).
  const char* second = options.traceFile ? "traced" : "fallback";
  if (!Warm(&relay)) return Fail("warm-up job failed");
  if (options.traceFile && !SwitchTraceFile(true)) return Fail("cannot switch the trace file on");
  bool secondWarm = StartConsumer(options.jvmhost, &fallback, options.traceFile ? Wakeups::kSystem : Wakeups::kFallback) &&
                    Warm(&fallback);
  if (options.traceFile) SwitchTraceFile(false);
  if (!secondWarm) return Fail("cannot start the second relay");
  if (!StartConsumer(BesideThisProgram("bench.exe"), &floor)) return Fail("cannot start the floor consumer");
  if (!Warm(&floor)) return Fail("warm-up job failed");

  std::vector<SizeCase> cases = {SizeCaseOf(4096, "4 KiB", 2u << 20), SizeCaseOf(65536, "64 KiB", 16u << 20),
                                 SizeCaseOf(1u << 20, "1 MiB", 64u << 20)};
  size_t largest = 0;
  for (SizeCase& c : cases) {
    c.jobBytes = static_cast<size_t>(static_cast<double>(c.jobBytes) * options.scale);
    c.jobBytes = std::max<size_t>(c.jobBytes - c.jobBytes % c.chunkSize, c.chunkSize);
    largest = std::max(largest, c.jobBytes);
  }
  std::vector<unsigned char> source = JobBytes(largest);

  std::vector<JobsCase> jobCases = {{0, "empty jobs", {}, {}, {}, {}, {}}, {4096, "4 KiB jobs", {}, {}, {}, {}, {}}};
  for (int round = 0; round < options.rounds; ++round) {
    for (JobsCase& c : jobCases) {
      // The traced relay goes first every other round: the one measured
      // later sits further from its floor.
      bool secondFirst = options.traceFile && round % 2 == 1;
      double secondJobs = secondFirst ? MeasureJobsPerSecond(&fallback.channel, options.jobs, c.chunkBytes, kTimeoutMs) : 0;
      double floorJobs = MeasureJobsPerSecond(&floor.channel, options.jobs, c.chunkBytes, kTimeoutMs);
      double relayJobs = MeasureJobsPerSecond(&relay.channel, options.jobs, c.chunkBytes, kTimeoutMs);
      if (floorJobs <= 0 || relayJobs <= 0) return Fail("a job did not complete");
      c.floorJobs.push_back(floorJobs);
      c.relayJobs.push_back(relayJobs);
      c.pairedRatios.push_back(relayJobs / floorJobs);
      if (!options.traceFile) continue;
      if (!secondFirst) secondJobs = MeasureJobsPerSecond(&fallback.channel, options.jobs, c.chunkBytes, kTimeoutMs);
      if (secondJobs <= 0) return Fail("a job did not complete");
      c.secondJobs.push_back(secondJobs);
      c.secondRatios.push_back(secondJobs / floorJobs);
    }
    for (SizeCase& c : cases) {
      std::vector<unsigned char> bytes(source.begin(), source.begin() + static_cast<long>(c.jobBytes));
      c.memcpyMiBs.push_back(MeasureMemcpy(bytes, c.chunkSize, 1));
      JobMeasurement floorRun = MeasureJob(&floor.channel, bytes, c.chunkSize, floor.mainThread, kTimeoutMs);
      JobMeasurement relayRun = MeasureJob(&relay.channel, bytes, c.chunkSize, relay.mainThread, kTimeoutMs);
      JobMeasurement fallbackRun =
          MeasureJob(&fallback.channel, bytes, c.chunkSize, fallback.mainThread, kTimeoutMs);
      if (!floorRun.ok || !relayRun.ok || !fallbackRun.ok) return Fail("a job did not complete");
      c.floorMiBs.push_back(floorRun.mibPerSecond);
      c.floorUs.push_back(floorRun.medianChunkUs);
      c.floorStartMs.push_back(floorRun.firstChunkMs);
      Record(relayRun, floorRun, &c.relay);
      Record(fallbackRun, floorRun, &c.fallback);
    }
  }

  printf("relay benchmark: two processes (bench.exe producing; jvmhost.exe relaying to the stand-in JVM in\n"
         "count_only mode, once with the system's address waits, once %s;\n"
         "floor: bench.exe consumer copying each chunk, no worker); %d rounds interleaved, medians;\n"
         "job sizes 4 KiB: %zu MiB, 64 KiB: %zu MiB, 1 MiB: %zu MiB\n\n",
         options.traceFile ? "with the trace file on (course level)" : "with the fallback wake-ups of Windows 7",
         options.rounds, cases[0].jobBytes >> 20, cases[1].jobBytes >> 20, cases[2].jobBytes >> 20);
  printf("%-16s %13s %12s %12s %12s %13s %15s %15s %16s\n", "chunk", "memcpy MiB/s", "floor MiB/s", "relay MiB/s",
         "relay/floor", "paired ratio", "floor us/chunk", "relay us/chunk", "intake CPU/wall");
  for (const SizeCase& c : cases) {
    PrintRow(c.name, c, c.relay);
    PrintRow((std::string(c.name) + " " + second).c_str(), c, c.fallback);
  }
  printf("(relay/floor: ratio of the medians; paired ratio: median of each round's relay/floor; throughput\n"
         " counts the chunks after the first, which also waits for the job to start)\n");
  printf("job start (job event to first chunk acknowledged), medians: floor %.2f ms, relay %.2f ms, "
         "%s %.2f ms\n\n",
         Median(cases[1].floorStartMs), Median(cases[1].relay.startMs), second, Median(cases[1].fallback.startMs));
  printf("jobs back to back (%d a round, the producer taking each end-of-job signal at once), medians:\n",
         options.jobs);
  printf("%-16s %12s %12s %13s %13s\n", "kind", "floor jobs/s", "relay jobs/s", "relay/floor", "paired ratio");
  for (const JobsCase& c : jobCases) {
    double floorJobs = Median(c.floorJobs), relayJobs = Median(c.relayJobs);
    printf("%-16s %12.1f %12.1f %12.0f%% %12.0f%%\n", c.name, floorJobs, relayJobs, 100.0 * relayJobs / floorJobs,
           100.0 * Median(c.pairedRatios));
    if (options.traceFile) {
      printf("%-16s %12s %12.1f %12.0f%% %12.0f%%\n", (std::string(c.name) + " traced").c_str(), "",
             Median(c.secondJobs), 100.0 * Median(c.secondJobs) / floorJobs, 100.0 * Median(c.secondRatios));
    }
  }
  printf("\n");
  StopConsumer(&relay);
  StopConsumer(&fallback);
  int workUs = options.workUs > 0 ? options.workUs : static_cast<int>(Median(cases[2].floorUs) + 0.5);
  if (!MeasureJavaAtWork(options, &cases, source, workUs)) return Fail("a job with Java at work did not complete");

  SetEnvironmentVariableA("FAKEJVM_SLOW_MS", "50");
  if (!MeasureSlowJava(options, source, Wakeups::kSystem) || !MeasureSlowJava(options, source, Wakeups::kFallback)) {
    return Fail("a slow relay did not complete its job");
  }
  StopConsumer(&floor);
  // jvmhost's binding created its private key below the user's own.
  RegDeleteTreeA(HKEY_CURRENT_USER, "Velmo");
  return 0;
}
