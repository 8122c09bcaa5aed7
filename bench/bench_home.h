#pragma once
// A core on fake platform services with a scratch home directory, and an
// operator that answers everything at once, for the benchmarks.

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "foundation/core.h"
#include "foundation/forms.h"
#include "foundation/operator.h"
#include "foundation/paths.h"
#include "platform/doubles.h"

namespace zarvane {

struct BenchHome {
  explicit BenchHome(int debugLevel) : forms(&tp.clock), core(tp.platform, op, forms) {
    char tmpl[] = "/tmp/zarvane-bench-XXXXXX";
    home = mkdtemp(tmpl);
    core.gHome = home;
    core.gIniFile = JoinPath(home, "zarv.ini");
    core.gDebugLevel = debugLevel;
  }
  ~BenchHome() {
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }

  TestPlatform tp;
  SilentOperator op;
  Forms forms;
  Core core;
  std::string home;
};

}  // namespace zarvane
