// Opening documents and programs, and looking for other programs' windows.
#include "foundation/core.h"
#include "foundation/text.h"

namespace zarvane {

ShellResult Core::ShellOpen(const std::string& operation, const std::string& file, const std::string& parameters,
                            const std::string& directory, int showCommand) {
  if (!platform.shell) return ShellResult::Failed;
  const ShellResult result = platform.shell->Open(operation, file, parameters, directory, showCommand);
  switch (result) {
    case ShellResult::Ok:
      break;
    case ShellResult::NoAssociation:
      WriteLog("ShellOpen: No program is associated with " + file, 0);
      WriteLog(Translate("No program is associated with") + " " + file + ". " +
                   Translate("Open it with a program of your choice") + ".",
               0, true);
      break;
    case ShellResult::FileNotFound:
      WriteLog("ShellOpen: " + operation + " " + file + " failed: file not found", 0);
      break;
    case ShellResult::Failed:
      WriteLog("ShellOpen: " + operation + " " + file + " " + parameters + " failed", 0);
      break;
  }
  return result;
}

bool Core::FindWindowByTitle(const std::string& text) {
  const std::string wanted = UCase(text);
  if (platform.windows) {
    for (const auto& title : platform.windows->TopLevelTitles())
      if (UCase(title.substr(0, 255)).find(wanted) != std::string::npos) return true;
  }
  if (platform.shell) {
    for (const auto& program : platform.shell->RunningChildren())
      if (UCase(program).find(wanted) != std::string::npos) return true;
  }
  return false;
}

}  // namespace zarvane
