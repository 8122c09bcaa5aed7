// Convert Text File and Make New Part.
#include "station/partmaking.h"

#include <filesystem>

#include "foundation/paths.h"
#include "foundation/text.h"

namespace zarvane {

PartMaking::PartMaking(Core& core, Station& st, PartFiles& files)
    : c(core), station(st), converter(core, st.frmProgress), files_(files) {
  station.EnableCommand("mnuConvertPTS");
  station.frmMain("mnuConvertPTS").onClick = [this] { mnuConvertPTS_Click(); };
  station.EnableCommand("mnuMakePart");
  station.frmMain("mnuMakePart").onClick = [this] { mnuMakePart_Click(); };
  files_.ConvertPoints = [this](const std::string& pointFile) {
    std::string path = pointFile;
    return converter.ConvertPts2(path);
  };
}

PartMaking::~PartMaking() { files_.ConvertPoints = nullptr; }

void PartMaking::mnuConvertPTS_Click() {
  c.WriteLog("mnuConvertPTS_Click: Start", 0);
  const std::string filter = Join({"Text Files (*.txt;*.csv;*.rtf;*.dat;*.pts)|*.txt;*.csv;*.rtf;*.dat;*.pts",
                                   "Actual Files(*.rpt;*.as;*.ma)|*.rpt;*.as;*.ma",
                                   "Nominal Files(*.nom;*.xyz;*.ua;*.uaf;*.dat;*.pts)|*.nom;*.xyz;*.ua;*.uaf;*.dat;*.pts",
                                   "All Files (*.*)|*.*"},
                                  "|");
  std::string path = c.OpenFileDlg(c.Translate("Select File"), filter, "");
  if (!Trim(path).empty()) converter.ConvertPts2(path);
  c.WriteLog("mnuConvertPTS_Click: End", 0);
}

void PartMaking::CopyIntoPart(const std::string& source, const std::string& partDir, const std::string& part,
                              const std::string& extension) {
  const std::string target = JoinPath(partDir, part + "." + extension);
  std::error_code ec;
  // The file chosen (or just converted) may be the part's own file already:
  // retiring it first would leave the part without it.
  if (std::filesystem::equivalent(OsPath(NativePath(ResolveCase(source))), OsPath(NativePath(ResolveCase(target))), ec)) {
    c.WriteLog("mnuMakePart_Click: " + target + " is the part's file already.", 0);
    return;
  }
  c.MakeOLD(target);
  c.FCopy(source, target);
}

void PartMaking::mnuMakePart_Click() {
  c.WriteLog("mnuMakePart_Click: Start", 0);
  const std::string part =
      Trim(c.op.InputBox(c.Translate("Enter the Part Name"), c.Translate("Part Name"), "NewPart"));
  // A name that would leave the blades directory is refused (and said so).
  if (!part.empty() && !PartFiles::SafeName(part)) files_.RefuseName("The part number", part);
  if (part.empty() || !PartFiles::SafeName(part)) {
    c.WriteLog("mnuMakePart_Click: End", 0);
    return;
  }
  const std::string partDir = JoinPath(c.gBladesDir, part);
  if (IsDirectory(partDir)) {
    c.WriteLog(c.Translate("Part directory") + " " + part + " " + c.Translate("already exists, will use it") + ".", 0,
               true);
  } else {
    std::error_code ec;
    std::filesystem::create_directories(OsPath(partDir), ec);
    if (ec) {
      c.WriteLog(c.Translate("The part directory could not be made") + ": " + partDir + ".", 0, true);
      c.WriteLog("mnuMakePart_Click: End", 0);
      return;
    }
  }

  const std::string nomFilter = c.Translate("Nominal Files") +
                                " (*.nom;*.pts;*.ua;*.xyz;*.txt;*.csv;*.rtf;*.dat)|*.nom;*.pts;*.ua;*.xyz;*.txt;*.csv;*.rtf;*.dat|" +
                                c.Translate("All Files") + " (*.*)|*.*";
  std::string nominal = c.OpenFileDlg(c.Translate("Select Nominal File"), nomFilter, partDir + kSep);
  if (!Trim(nominal).empty()) {
    const std::string ext = LCase(Extension(FileNameFromPath(nominal)));
    bool usable = true;
    bool convert = false;
    if (ext == "pts" || ext == "xyz") {
      convert = true;
    } else if (ext == "nom" || ext == "ua") {
      c.WriteLog("mnuMakePart_Click: No conversion needed (nom or ua)", 0);
    } else {
      c.WriteLog(c.Translate("Do you want to try to convert this file to a nominal (nom) file?"), 0);
      convert = c.Ask("Do you want to try to convert this file to a nominal (nom) file?", "Convert File?");
    }
    if (convert) {
      // Only a nominal file made now is taken: a report output or a
      // conversion that stopped leaves the part without one.
      usable = converter.ConvertPts2(nominal) && LCase(Extension(converter.written)) == "nom";
      if (usable) nominal = converter.written;
      else c.Tell("No nominal file was made for the part; it can be added later");
    }
    if (usable) CopyIntoPart(nominal, partDir, part, Extension(FileNameFromPath(nominal)));

    const std::string tolerance = c.OpenFileDlg(c.Translate("Select Tolerance File"),
                                                "Tolerance Files (*.tol;*.te)|*.tol;*.te|All Files (*.*)|*.*", partDir + kSep);
    if (!Trim(tolerance).empty()) {
      CopyIntoPart(tolerance, partDir, part, Extension(FileNameFromPath(tolerance)));
      const std::string opFilter =
          c.Translate("Operation Files") + " (*.op)|*.op|" + c.Translate("All Files") + " (*.*)|*.*";
      const std::string operation = c.OpenFileDlg(c.Translate("Select Operation File"), opFilter, partDir + kSep);
      if (!Trim(operation).empty()) CopyIntoPart(operation, partDir, part, "op");
    }
  }
  if (station.zones) station.zones->PopulateBlades();
  c.WriteLog("mnuMakePart_Click: End", 0);
}

}  // namespace zarvane
