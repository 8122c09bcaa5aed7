// The headless script reader: any text parses into commands or stops with a
// ScriptAbort naming the line; the answers at its head are queued for the
// scripted operator (the home directory stands in for @HOME@).
#include <cstdlib>
#include <sstream>

#include "foundation/script.h"
#include "fuzz_station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zarvane;
  using namespace zarvane::fuzz;
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    std::vector<ScriptCommand> commands = ParseScript(text);
    for (const ScriptCommand& command : commands)
      if (command.verb.empty() || command.line < 1) std::abort();
    FuzzClock clock;
    Forms forms(&clock);
    std::ostringstream transcript;
    ScriptedOperator op(transcript);
    ScriptRunner runner(forms, op, clock, std::move(commands), Home().string());
    runner.QueueLeadingAnswers();
  } catch (const ScriptAbort&) {
  }
  return 0;
}
