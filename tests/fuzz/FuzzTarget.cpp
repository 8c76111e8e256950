// One libFuzzer target: the reader named by VANTO_FUZZ_TARGET, an entry of
// fuzz::targets(). Built once per entry (fuzz_<name>), see CMakeLists.txt.

#include <QCoreApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/FuzzHarness.h"

namespace {
const fuzz::Target* g_target = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // An application object for the readers that use timers or image plugins;
  // it gets its own arguments, the fuzzer's are not its business.
  static int argc = 1;
  static char name[] = "vanto-fuzz";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  g_target = fuzz::findTarget(QStringLiteral(VANTO_FUZZ_TARGET));
  if (!g_target) {
    std::fprintf(stderr, "no fuzz target named %s\n", VANTO_FUZZ_TARGET);
    std::abort();
  }
  fuzz::silenceLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!g_target->run(data, size)) {
    std::fprintf(stderr, "the %s reader returned a result that breaks its promise\n",
                 g_target->name);
    std::abort();
  }
  return 0;
}
