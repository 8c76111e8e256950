#pragma once

// The readers under fuzzing: one entry per reader, each driving the real
// reader on one input the way the program does (and a little more: every
// frame, row and column), and checking what the reader promises about what it
// returns. The same entries serve the libFuzzer targets (built with clang, one
// executable per entry) and the regression test of the normal test suite,
// which replays the seeds and every input that ever crashed a reader.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {

// Runs one input; false when the reader broke a promise about its result (the
// libFuzzer target then aborts). Crashes and sanitizer reports end the process
// by themselves.
using RunFn = bool (*)(const std::uint8_t* data, std::size_t size);

struct Target {
  const char* name;  // the executable is fuzz_<name>
  RunFn run;
  std::vector<QByteArray> (*seeds)();  // small inputs of the reader's format
};

// Every target; the HDF5 reader's entry joins this table when the reader exists.
const std::vector<Target>& targets();
const Target* findTarget(const QString& name);

// The folder the inputs are written to (created once per process; on /dev/shm
// when there is one). The configuration target also makes it the working
// folder, so that relative INCLUDE names resolve inside it.
QString workDir();

// Routes the debug log to nowhere: the readers log every refusal, and the
// fuzzer runs millions of them.
void silenceLog();

}  // namespace fuzz
