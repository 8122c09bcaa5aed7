// Zone state access, network path tests and the mirror tool's start.
#include "foundation/core.h"
#include "foundation/filename.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {

ZoneState& Core::Zone(int n) {
  if (n < 1 || n > kZones) throw RuntimeError(kErrSubscript, "Subscript out of range (zone " + std::to_string(n) + ")");
  return zones_[static_cast<size_t>(n)];
}

bool Core::IsNetDrive(const std::string& path) {
  // A share name ("\\server\share", "//server/share") starts at no drive root,
  // so it is never taken for a network drive, whatever the platform makes of it.
  const bool shareName = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
  const DriveType type =
      shareName ? DriveType::NoRootDir : platform.drives ? platform.drives->TypeOf(path) : DriveType::Unknown;
  if (type == DriveType::Remote) {
    WriteLog("IsNetDrive: " + path + " is a network drive.", 3);
    return true;
  }
  if (type == DriveType::NoRootDir) {
    WriteLog("IsNetDrive: Error: " + path + " is not understood.", 0);
    return false;
  }
  WriteLog("IsNetDrive: " + path + " is not on the network.", 0);
  return false;
}

bool Core::IsNetThere(const std::string& path) {
  WriteLog("IsNetThere: Start: thePath is: " + path, 10);
  bool there = false;
  if (!path.empty() && FileExists(path, true)) {
    WriteLog("IsNetThere: " + path + " network path validated.", 9);
    there = true;
  } else {
    WriteLog(ErrorText({kErrPathNotFound, "Path not found"}) + ".Network is unavailable", 9);
  }
  WriteLog("IsNetThere: End", 10);
  return there;
}

std::string Core::StartMirror(const std::string& source, const std::string& destination) {
  // "mirror.exe" is the program's name on the shop's stations; the shell layer
  // drops the ".exe" where the program is installed without it.
  std::string program = JoinPath(gHome, "mirror.exe");
  const auto present = [](const std::string& p) {
    return IsRegularFile(p) || (IEquals(Extension(p), "exe") && IsRegularFile(p.substr(0, p.size() - 4)));
  };
  if (!present(program) && !gProgramDir.empty() && present(JoinPath(gProgramDir, "mirror.exe")))
    program = JoinPath(gProgramDir, "mirror.exe");
  // Each directory is one quoted argument: one holding a quote or a control
  // character could not be passed whole and is not mirrored.
  for (const std::string* dir : {&source, &destination})
    if (dir->find('"') != std::string::npos || HasControlCharacter(*dir)) {
      WriteLog("StartMirror: not started, the directory cannot be passed: " + ShownName(*dir), 0);
      return {};
    }
  const std::string parameters = "\"" + source + "\" \"" + destination + "\"";
  ShellOpen("Open", program, parameters, "", 1);
  return "\"" + program + "\" " + parameters;
}

}  // namespace zarvane
