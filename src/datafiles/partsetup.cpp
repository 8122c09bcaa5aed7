// Part setup: the blade lookup table, the part's operation file and the fixture file.
#include <algorithm>
#include <cctype>

#include "datafiles/linereader.h"
#include "datafiles/partfiles.h"
#include "foundation/filename.h"
#include "foundation/atomicfile.h"
#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {
namespace {

// An operation header is a line whose first word is "operation"; the name is
// the rest of its words.
bool OperationHeader(const Texts& words, std::string& name) {
  if (words.empty() || !IEquals(words[0], "operation")) return false;
  name = Join(Texts(words.begin() + 1, words.end()), " ");
  return true;
}

}  // namespace

bool PartFiles::SafeName(const std::string& name) { return IsPlainFileName(name); }

bool PartFiles::SafeRelativeName(const std::string& name) {
  if (Trim(name).empty()) return false;
  const std::string path = NativePath(name);
  if (path.front() == kSep) return false;  // absolute
  int depth = 0;
  std::string last;
  for (size_t start = 0; start <= path.size();) {
    const size_t end = std::min(path.find(kSep, start), path.size());
    last = path.substr(start, end - start);
    if (last == "..") {
      if (--depth < 0) return false;  // above the directory
    } else if (!last.empty() && last != ".") {
      // Each step one plain name: a drive letter ("C:") is refused here too.
      if (!IsPlainFileName(last)) return false;
      ++depth;
    }
    start = end + 1;
  }
  // The last step must name a file: not the directory itself, not a trailing separator.
  return depth > 0 && !last.empty() && last != "." && last != "..";
}

bool PartFiles::RefuseName(const std::string& englishKind, const std::string& name) {
  c.WriteLog(c.Translate(englishKind) + " " + ShownName(name) + " " +
                 c.Translate("cannot be used: a name must stay inside its directory and name one file") + ".",
             0, true);
  return false;
}

bool PartFiles::CheckPartNumber(const std::string& partNumber) {
  return SafeName(partNumber) || RefuseName("The part number", partNumber);
}

bool PartFiles::CheckFileName(const std::string& englishKind, const std::string& name, const std::string& written) {
  if (SafeRelativeName(name) && (written.empty() || SafeRelativeName(written))) return true;
  return RefuseName(englishKind, written.empty() ? name : written);
}

bool PartFiles::AddProgram(const std::string& program) {
  if (!SafeName(program)) return RefuseName("The program name", program);
  auto& programs = c.CurrentZone().programs;
  if (!programs) programs.emplace();
  programs->push_back(program);
  return true;
}

void PartFiles::DisableZone() {
  if (DisZone) DisZone(c.gzone);
}

std::string PartFiles::LookupTablePath() const { return JoinPath(c.gHome, "blade_lookup_table.txt"); }

std::string PartFiles::PartDirectory(const std::string& partNumber) const {
  if (!SafeName(partNumber)) return {};
  return JoinPath(c.gBladesDir, partNumber);
}

std::string PartFiles::OperationFile(const std::string& partNumber) const {
  const std::string dir = PartDirectory(partNumber);
  if (dir.empty()) return {};
  return JoinPath(dir, partNumber + ".op");
}

bool PartFiles::ReadLookupRecords(const std::function<bool(const std::string& record)>& visit) const {
  LineReader lines(LookupTablePath());
  if (!lines.IsOpen()) return false;
  RecordReader records(lines);
  std::string record;
  while (records.Next(record)) {
    if (record.empty() || Core::IsComment(record)) continue;
    if (!visit(record)) break;
  }
  return true;
}

bool PartFiles::BLookup() {
  ZoneState& z = c.CurrentZone();
  c.WriteLog("BLookup: Looking for: " + z.gPn, 7);
  z.flavorName.clear();
  z.flavorFile.clear();
  z.programs.reset();

  const std::string table = LookupTablePath();
  if (!c.FileExists(table, true)) {
    c.WriteLog(c.Translate("First time run, or") + " blade_lookup_table.txt " +
                   c.Translate("deleted, new default file created") + ".",
               0, true);
    if (!WriteLines(table, {"!Part Number         Program        Flavor", "Demo                 blade          KT1"}))
      c.WriteLog("BLookup: Error: " + table + " could not be written.", 0);
  }
  if (!CheckPartNumber(z.gPn)) return false;

  const std::string opFile = OperationFile(z.gPn);
  if (c.FileExists(opFile, true)) {
    const bool ok = cparseOP();
    if (!ok) c.WriteLog("BLookup: cparseOP did not succeed", 0);
    return ok;
  }

  c.WriteLog("BLookup: Opening " + table, 3);
  const std::string part = UCase(z.gPn);
  bool found = false, malformed = false;
  const bool opened = ReadLookupRecords([&](const std::string& record) {
    const Texts words = c.SplitWords(record);
    if (words.size() != 3) {
      c.WriteLog(c.Translate("Error reading") + " " + table + " " + c.Translate("Line:") + " " + record, 0, true);
      malformed = true;
      return false;
    }
    if (UCase(Trim(words[0])) == part) {
      if (!AddProgram(words[1])) {
        malformed = true;
        return false;
      }
      z.flavorName = words[2];
      c.WriteLog("BLookup: Line used: " + record, 9);
      found = true;
    }
    return true;
  });
  if (!opened) {
    c.WriteLog("BLookup: Error: " + table + " could not be opened.", 0);
    return false;
  }
  if (malformed) return false;
  return found;
}

bool PartFiles::cparseOP() {
  ZoneState& z = c.CurrentZone();
  c.WriteLog("cparseOP: Start", 7);
  c.WriteLog("cparseOP: Looking for the operation: " + z.gOpName, 9);
  z.sections.clear();
  if (!CheckPartNumber(z.gPn)) return false;

  const std::string path = OperationFile(z.gPn);
  LineReader lines(path);
  if (!c.FileExists(path, true) || !lines.IsOpen()) {
    c.WriteLog(c.Translate("Error finding") + " " + path + ".", 0, true);
    return false;
  }

  bool inBody = false;
  bool produced = false;  // the body held a program, BLADE or NOMTOL line
  std::string line, name;
  while (lines.Next(line)) {
    c.WriteLog((inBody ? "cparseOP: Second Line read:" : "cparseOP: Main Line read:") + line, 9);
    if (Core::IsComment(line)) continue;
    const Texts words = c.SplitWords(line);
    if (words.empty()) continue;

    if (!inBody) {
      if (OperationHeader(words, name) && IEquals(name, z.gOpName)) {
        c.WriteLog("cparseOP: Found the operation", 9);
        inBody = true;
      }
      continue;
    }

    // Any line naming "operation" ends the body, even inside a program name.
    if (IContains(line, "Operation")) {
      c.WriteLog("cparseOP: Already found operation, bye bye", 9);
      return produced;
    }

    if (IStartsWith(line, "blade")) {
      c.WriteLog("cparseOP: Found the BLADE line.", 9);
      produced = true;
      if (words.size() < 3) {
        c.Tell("Blade operation (Keyword BLADE) in operation file is missing the Quorvex generic blade program "
               "name, or the flavor file");
        return false;
      }
      if (!AddProgram(words[1])) return false;
      z.flavorName = NameWithoutExtension(words[2]);
      if (words.size() >= 4) {
        c.WriteLog("cparseOP: Found sections.", 9);
        for (size_t i = 3; i < words.size(); ++i) {
          z.sections.push_back(words[i]);
          c.WriteLog("cparseOp: Found section " + words[i], 0);
        }
      }
    } else if (IStartsWith(line, "nomtol")) {
      c.WriteLog("cparseOP: Found the NOMTOL line.", 9);
      produced = true;
      if (words.size() < 3) {
        c.Tell("Nominal tolerance reset in operation file failed with no data");
        return false;
      }
      const std::string nominal = NameWithoutExtension(words[1]);
      const std::string tolerance = NameWithoutExtension(words[2]);
      if (!CheckFileName("The nominal file name", nominal, words[1]) ||
          !CheckFileName("The tolerance file name", tolerance, words[2]))
        return false;
      z.gNomName = nominal;
      z.gTolName = tolerance;
      c.WriteLog("cparseOP: Reset Nominal file: " + nominal, 9);
      c.WriteLog("cparseOP: Reset Tolerance file: " + tolerance, 9);
      if (NomsExist(nominal, tolerance)) c.WriteLog("cparseOP: Reset nomtol", 3);
    } else {
      produced = true;
      for (const auto& program : words)
        if (!AddProgram(NameWithoutExtension(program))) return false;
    }
  }
  c.WriteLog("cparseOP: End", 7);
  return true;
}

OptTexts PartFiles::parseOP(const std::string& operationFile) {
  c.WriteLog("parseOP: Start: " + operationFile, 7);
  LineReader lines(operationFile);
  if (!lines.IsOpen()) {
    c.WriteLog("parseOP: End: " + operationFile + " could not be read.", 0);
    return std::nullopt;
  }
  Texts names;
  std::string line, name;
  while (lines.Next(line)) {
    if (Core::IsComment(line)) continue;
    if (OperationHeader(c.SplitWords(line), name)) names.push_back(name);
  }
  c.WriteLog("parseOP: End parseOP found " + std::to_string(names.size()) + " operations.", 7);
  return names;
}

bool PartFiles::WriteFixtureFile() {
  if (Trim(c.GetIniVal("Data", "FixtureON", "0")) != "1") return true;
  const std::string path = JoinPath(c.gHome, "fixture.txt");
  const WriteResult written = WriteFileAtomically(path, "FIXTURE_LOCATION" + PrintNumber(c.gzone) + "\r\n");
  if (!written.Ok())
    c.WriteLog(c.Translate("Unable to write the fixture file") + " " + path + ": " + written.reason + ".", 0, true);
  return written.Ok();
}

}  // namespace zarvane
