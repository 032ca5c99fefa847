// lumarso_bench_write <method> <folder\> <plain copy of the archive> [--wait]
// lumarso_bench_write --way      prints how the updater reads: "way file|mapped"
//
// One timed write of the embedded archive into <folder\>, in this process,
// printed as "ms <milliseconds>"; the payload methods then print
// "writes <ms> <ms> ...", the time of each WriteFile of the attempt, and
// "compared <bytes> current <0|1>": how many leading bytes of a same-size
// copy in place were found equal, and whether it was left alone as current;
// then "steps flush <ms> rename <ms> read <ms>", the time in FlushFileBuffers,
// in the rename over the old file and in reading files (the exe's, the copy
// in place).  With --wait it prints "ready" and waits
// for a line on stdin first, so that an outside observer can find the
// process and watch its memory during the write.  Each run is a fresh process, as each
// attempt of the updater meets the resource as the loader left it.
//   payload   payload::WritePayload, the updater's own attempt, read the way
//             the updater reads (the caller decides whether a
//             Lumarso2015.zip is already there, and which)
//   payload-mapped  the same, written straight from the mapped resource
//   payload-file    the same, read from the exe's own file through one
//             reused buffer (an error if it fell back to the mapped view)
//   copyfile  CopyFileW of the plain copy + FlushFileBuffers (over whatever
//             the caller left at the target)
//   naive     resource copied onto the heap, old file deleted, one write,
//             FlushFileBuffers
//   naive-noflush  the same without the flush
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "bench/copy_file_win32.h"
#include "bench/instant_dialogs.h"
#include "bench/naive_writer.h"
#include "bench/stopwatch_win32.h"
#include "bench/timed_files.h"
#include "payload/write_payload.h"
#include "platform/win32/files.h"
#include "platform/win32/resources.h"

namespace {

int Report(bool ok, double ms, const char* method) {
  if (!ok) {
    std::printf("error %s\n", method);
    return 1;
  }
  std::printf("ms %.3f\n", ms);
  return 0;
}

void ReportWrites(const bench::TimedFiles& files) {
  std::printf("writes");
  for (const double ms : files.WriteMs()) std::printf(" %.3f", ms);
  std::printf("\n");
}

void ReportSteps(const bench::TimedFiles& files) {
  std::printf("steps flush %.3f rename %.3f read %.3f\n", files.FlushMs(), files.MoveMs(),
              files.ReadMs());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wcscmp(argv[1], L"--way") == 0) {
    std::printf("way %s\n", payload::kUpdaterReadsFrom == payload::ReadFrom::kExeFile ? "file"
                                                                                    : "mapped");
    return 0;
  }
  if (argc != 4 && !(argc == 5 && std::wcscmp(argv[4], L"--wait") == 0)) {
    std::fprintf(stderr, "usage: lumarso_bench_write payload|payload-mapped|payload-file|"
                         "copyfile|naive|naive-noflush "
                         "<folder\\> <archive> [--wait]\n");
    return 2;
  }
  const std::wstring method = argv[1];
  const std::wstring folder = argv[2];
  const std::wstring plainCopy = argv[3];
  const std::wstring target = folder + payload::kZipName;

  platform::win32::Win32FileSystem files;
  platform::win32::Win32Resources resources;
  bench::InstantDialogs dialogs;
  if (argc == 5) {
    std::printf("ready\n");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin)) return 2;
  }

  if (method == L"payload" || method == L"payload-mapped" || method == L"payload-file") {
    const payload::ReadFrom way = method == L"payload"        ? payload::kUpdaterReadsFrom
                                  : method == L"payload-file" ? payload::ReadFrom::kExeFile
                                                              : payload::ReadFrom::kMappedImage;
    const bench::Stopwatch clock;
    bench::TimedFiles timed(files, [&clock] { return clock.Milliseconds(); });
    const bench::Stopwatch watch;
    const payload::PayloadAttempt attempt =
        payload::WritePayload(timed, resources, dialogs, folder, way);
    const double ms = watch.Milliseconds();
    // A silent fallback would time the other way under this one's name.
    const int status = Report(attempt.written && attempt.readFrom == way && dialogs.shown() == 1,
                              ms, "payload");
    ReportWrites(timed);
    std::printf("compared %llu current %d\n",
                static_cast<unsigned long long>(attempt.comparedBytes),
                attempt.alreadyCurrent ? 1 : 0);
    ReportSteps(timed);
    return status;
  }
  if (method == L"copyfile") {
    const bench::Stopwatch watch;
    const DWORD status = bench::CopyAndFlush(plainCopy, target);
    const double ms = watch.Milliseconds();
    return Report(status == ERROR_SUCCESS, ms, "copyfile");
  }
  if (method == L"naive" || method == L"naive-noflush") {
    const bench::Stopwatch watch;
    const bool ok = bench::NaiveWrite(resources, files, target, method == L"naive");
    const double ms = watch.Milliseconds();
    return Report(ok, ms, "naive");
  }
  std::fprintf(stderr, "unknown method\n");
  return 2;
}
