// The simulated host's part programs: the program language, the command list
// and the program's properties. Running a program is in simrun.cpp.
#include <algorithm>
#include <string_view>

#include "foundation/paths.h"
#include "foundation/text.h"
#include "host/simcore.h"

namespace zarvane {

// --- Language ----------------------------------------------------------------

namespace {

struct Keyword {
  const char* word;
  SimOp op;
  enum Arg { None, Optional, Required, Number, OptionalNumber, UnitsArg } arg;
};

constexpr Keyword kKeywords[] = {
    {"UNITS", SimOp::Units, Keyword::UnitsArg},          {"MEASURE_BLADE", SimOp::MeasureBlade, Keyword::None},
    {"REPORT", SimOp::Report, Keyword::None},            {"WAIT", SimOp::Wait, Keyword::Number},
    {"END", SimOp::End, Keyword::OptionalNumber},        {"CANCEL", SimOp::Cancel, Keyword::None},
    {"ERROR", SimOp::Error, Keyword::Optional},          {"VARIABLE", SimOp::Variable, Keyword::Required},
    {"LOADPROBE", SimOp::LoadProbe, Keyword::Required},  {"STATUS", SimOp::Status, Keyword::Optional},
    {"INSERT", SimOp::Insert, Keyword::Optional},        {"COMMENT", SimOp::Comment, Keyword::Optional},
    {"ALIGN", SimOp::Align, Keyword::Optional},
};

}  // namespace

SimProgramText SimParseProgram(const std::vector<std::string>& fileLines) {
  SimProgramText program;
  for (size_t n = 0; n < fileLines.size(); ++n) {
    const int lineNo = static_cast<int>(n) + 1;
    auto fail = [&](const std::string& why) {
      program.error = "line " + std::to_string(lineNo) + ": " + why;
      program.lines.clear();
      return program;
    };
    std::string t = TrimWhite(fileLines[n]);
    if (t.empty() || t[0] == '!' || t[0] == '#') continue;
    SimLine line;
    line.line = lineNo;
    if (t[0] == '*') {
      line.breakpoint = true;
      t = TrimWhite(t.substr(1));
      if (t.empty()) return fail("a breakpoint mark without a command");
    }
    line.text = t;
    const size_t gap = t.find_first_of(" \t");
    const std::string keyword = UCase(t.substr(0, gap));
    line.argument = gap == std::string::npos ? "" : TrimWhite(t.substr(gap + 1));
    const Keyword* kw = nullptr;
    for (const Keyword& k : kKeywords)
      if (keyword == k.word) kw = &k;
    if (!kw) return fail("unknown command " + keyword);
    line.op = kw->op;
    const std::string& a = line.argument;
    switch (kw->arg) {
      case Keyword::None:
        if (!a.empty()) return fail(keyword + " takes no argument");
        break;
      case Keyword::Required:
        if (a.empty()) return fail(keyword + " needs a name");
        break;
      case Keyword::Number:
        if (!IsNumeric(a) || Val(a) < 0) return fail(keyword + " needs a number of milliseconds");
        line.number = Val(a);
        break;
      case Keyword::OptionalNumber:
        if (a.empty()) {
          line.number = 1;
        } else if (IsNumeric(a)) {
          line.number = ValInt(a);
        } else {
          return fail(keyword + " takes a termination type number");
        }
        break;
      case Keyword::UnitsArg: {
        const std::string u = UCase(a);
        if (u == "INCH" || u == "INCHES" || u == "IN") {
          program.units = 0;
        } else if (u == "MM" || u == "MILLIMETERS" || u == "MILLIMETRES") {
          program.units = 1;
        } else {
          return fail("UNITS must be INCH or MM");
        }
        break;
      }
      case Keyword::Optional:
        break;
    }
    if (line.op == SimOp::Error && a.empty()) line.argument = "Part program error";
    program.lines.push_back(std::move(line));
  }
  return program;
}

// --- Names -------------------------------------------------------------------

std::string SimProgramFileFault(const std::string& file) {
  if (Trim(file).empty()) return "no file name";
  for (unsigned char c : file)
    if (c < 32 || std::string_view("<>\"|?*").find(static_cast<char>(c)) != std::string_view::npos)
      return "the name holds a character Windows does not allow";
  if (file.size() >= kSimPathLimit)
    return "the path is longer than Windows allows (" + std::to_string(kSimPathLimit - 1) + " characters)";
  if (!IEquals(Extension(FileNameFromPath(file)), "prg")) return "not a part program (.prg)";
  return {};
}

std::string SimNameFault(const std::string& name, bool partName) {
  if (partName && name.find('-') != std::string::npos) return "a part name cannot hold \"-\"";
  if (!name.empty() && (name.front() == ' ' || name.back() == ' ')) return "blanks at the ends";
  for (unsigned char c : name)
    if (c < 32 || c > 126) return "characters outside printable ASCII";
  if (name.size() > kSimNameLimit) return "longer than " + std::to_string(kSimNameLimit) + " characters";
  return {};
}

// --- Commands ----------------------------------------------------------------

bool SimCommand::IsFlowControl() {
  SimLive(session_);
  return line_.op == SimOp::Variable;
}

std::string SimCommand::GetText(int field, int index) {
  SimLive(session_);
  if (line_.op == SimOp::Variable && field == 133 && index == 0) return line_.argument;
  return {};
}

bool SimCommand::IsLoadProbe() {
  SimLive(session_);
  return line_.op == SimOp::LoadProbe;
}

std::string SimCommand::ModalCommandName() {
  SimLive(session_);
  return line_.op == SimOp::LoadProbe ? line_.argument : std::string();
}

std::string SimCommand::Text() {
  SimLive(session_);
  return line_.text;
}

std::shared_ptr<SimPart> SimCommands::Program() {
  SimLive(session_);
  auto p = program_.lock();
  if (!p) throw AutomationError("The part program no longer exists");
  return p;
}

int SimCommands::Count() { return static_cast<int>(Program()->commands.size()); }

std::shared_ptr<HostCommand> SimCommands::Item(int index) {
  auto p = Program();
  if (index < 1 || index > static_cast<int>(p->commands.size()))
    throw AutomationError("Invalid index " + std::to_string(index) + ": the program has " +
                          std::to_string(p->commands.size()) + " commands");
  return p->commands[index - 1];
}

void SimCommands::InsertionPointAfter(const std::shared_ptr<HostCommand>& command) {
  auto p = Program();
  auto s = SimLive(session_);
  if (!command) {
    p->insertionPoint.reset();
    s->Journal("INSERTIONPOINT end");
    return;
  }
  auto c = std::dynamic_pointer_cast<SimCommand>(command);
  if (!c || std::find(p->commands.begin(), p->commands.end(), c) == p->commands.end())
    throw AutomationError("The command is not part of this program");
  p->insertionPoint = c;
  s->Journal("INSERTIONPOINT after " + c->Line().text);
}

void SimCommands::ClearAllBreakpoints() {
  auto p = Program();
  SimLive(session_)->Journal("CLEARBREAKPOINTS");
  for (auto& c : p->commands) c->Line().breakpoint = false;
}

// --- Program -----------------------------------------------------------------

SimPart::SimPart(std::weak_ptr<SimSession> session, std::string fullName, SimProgramText program)
    : session_(session), fullName_(std::move(fullName)), units_(program.units) {
  for (auto& line : program.lines) commands.push_back(std::make_shared<SimCommand>(session, std::move(line)));
  partName_ = NameWithoutExtension(FileNameFromPath(fullName_));
}

std::string SimPart::PartName() {
  SimLive(session_);
  return partName_;
}

namespace {

void RefuseName(SimSession& s, const std::string& what, const std::string& name, bool partName) {
  if (!s.settings.strictNames) return;
  const std::string fault = SimNameFault(name, partName);
  if (fault.empty()) return;
  s.Journal(what + " REFUSED " + name + ": " + fault);
  throw AutomationError("Invalid " + std::string(partName ? "part name" : "serial number") + " \"" + name +
                        "\": " + fault);
}

}  // namespace

void SimPart::SetPartName(const std::string& name) {
  auto s = SimLive(session_);
  RefuseName(*s, "PARTNAME", name, true);
  s->Journal("PARTNAME " + name);
  partName_ = name;
}

std::string SimPart::SerialNumber() {
  SimLive(session_);
  return serial_;
}

void SimPart::SetSerialNumber(const std::string& serial) {
  auto s = SimLive(session_);
  RefuseName(*s, "SERIAL", serial, false);
  s->Journal("SERIAL " + serial);
  serial_ = serial;
}

void SimPart::RefreshPart() { SimLive(session_)->Journal("REFRESH " + partName_ + " " + serial_); }

std::string SimPart::FullName() {
  SimLive(session_);
  return fullName_;
}

std::string SimPart::Name() {
  SimLive(session_);
  return FileNameFromPath(fullName_);
}

int SimPart::Units() {
  SimLive(session_);
  return units_;
}

std::shared_ptr<HostCommands> SimPart::Commands() {
  SimLive(session_);
  return std::make_shared<SimCommands>(session_, weak_from_this());
}

std::shared_ptr<HostProbes> SimPart::Probes() {
  SimLive(session_);
  return std::make_shared<SimProbes>(session_);
}

std::shared_ptr<HostTools> SimPart::Tools() {
  auto s = SimLive(session_);
  return std::make_shared<SimTools>(session_, SimReadTools(s->install));
}

void SimPart::SaveChanges() { SimLive(session_)->Journal("SAVE " + FileNameFromPath(fullName_)); }
void SimPart::CancelChanges() { SimLive(session_)->Journal("CANCEL " + FileNameFromPath(fullName_)); }

}  // namespace zarvane
