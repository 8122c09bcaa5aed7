// Settings file (zarv.ini) and the registry store.
#include <cstdio>
#include <fstream>

#include "foundation/boundedlines.h"
#include "foundation/core.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "zarvane_version.h"

namespace zarvane {

std::string Core::GetKeyVal(const std::string& file, const std::string& key) {
  std::string value;
  if (!Trim(file).empty() && FileExists(file, true)) {
    BoundedLines lines(file);
    const std::string upperKey = UCase(key);
    std::string line;
    while (lines.Next(line)) {
      if (IsComment(line)) continue;
      Texts words = SplitWords(line);
      if (words.size() < 2) continue;
      if (!IContains(line, key) || UCase(words[0]) != upperKey) continue;
      const std::string second = UCase(words[1]);
      if (second == "OFF") {
        value = "0";
      } else if (second == "ON") {
        value = "1";
      } else {
        for (size_t i = 1; i < words.size(); ++i) value += words[i] + " ";
        value = Trim(value);
      }
      break;  // the first occurrence wins
    }
    TellLongLines(file, lines);
  }
  WriteLog(file + " " + key + " value " + (value.empty() ? "NULL" : value), 8);
  return value;
}

std::string Core::GetKeyPairVal(const std::string& file, const std::string& key1, const std::string& key2) {
  std::string value;
  if (!Trim(file).empty() && FileExists(file, true)) {
    BoundedLines lines(file);
    std::string line;
    while (lines.Next(line)) {
      if (IsComment(line)) continue;
      if (!IContains(line, key1) || !IContains(line, key2)) continue;
      Texts words = SplitWords(line);
      if (words.size() < 2) continue;
      for (const auto& w : words)
        if (w != key1 && w != key2) value += w + " ";
      value = Trim(value);
      break;
    }
    TellLongLines(file, lines);
  }
  WriteLog(file + " " + key1 + " " + key2 + " value " + (value.empty() ? "NULL" : value), 8);
  return value;
}

std::optional<std::string> Core::PeekIniVal(const std::string& section, const std::string& key) {
  if (!platform.registry) return std::nullopt;
  return platform.registry->Get(section, key);
}

void Core::SaveIniVal(const std::string& section, const std::string& key, const std::string& value) {
  if (platform.registry) platform.registry->Set(section, key, value);
}

std::string Core::GetIniVal(const std::string& section, const std::string& key, const std::string& defaultValue) {
  std::string value = PeekIniVal(section, key).value_or(defaultValue);
  // Written back at once, so after the first read every key used exists with its default.
  SaveIniVal(section, key, value);
  WriteLog("GetIniVal: " + key + " value " + value, 8);
  return value;
}

Texts Core::DefaultIniLines(const std::string& interfaceLine, const std::string& trimLine,
                            const std::string& mbrLine) const {
  const std::string stars = "!" + Repeat('*', 72);
  Texts l = {
      stars,
      "!" + gProductName + " Version " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) +
          " Initialization File",
      "!CAPS sensitive, OFF = 0 and ON = 1",
      stars,
      "!Measurement Settings",
      "SendScanOffsets = OFF !ON/OFF !Default is OFF",
      interfaceLine,
  };
  if (!trimLine.empty()) l.push_back(trimLine);
  const Texts rest1 = {
      "!Report Display/Print Settings",
      "PRINTMODE = ON !OOT/ON/OFF !Default is OOT",
      "PLOTMODE = OFF !default is OFF",
      "Matrix_Mode = ON ! ON/OFF Printing of Matrix",
      "CMM_Mode = NONE !SHOW/PRINT/BOTH/NONE",
      "CMB_Mode = SHOW ! SHOW/PRINT/BOTH/NONE",
      "RTF_Mode = SHOW ! SHOW/PRINT/BOTH/NONE",
      "TXT_Mode = SHOW ! SHOW/PRINT/BOTH/NONE",
      "Results_Mode = SHOW ! SHOW/PRINT/BOTH/NONE",
      "Matrix_Report = FOLLOW !NOM/OUT/ACT/DEV/FOLLOW default is FOLLOW",
      "PrintOldStyle = OFF !Default is OFF, OldStyle application associated with OS PRINT for file type",
      " ",
      "!Feature Operator Selection",
      "FEATURE_SEL = ON !default is ON, turns all feature selection on or off",
      "PARTCOUNT_SEL = ON !default is ON",
      "!LETHCK_SEL = ON !single feature selection on or off, overrides global setting",
      " ",
      "!Output Selection defaults",
      "SAVEDP = OFF !Default is OFF",
      "SECTION_SEL = ON !default is ON",
      "REPORT_SEL = ON !default is ON",
      "DATABASE_SEL = ON !default is ON",
      "PLOT_SEL = ON !default is ON",
      " ",
      "!Screen Behavior",
      "!Zone2_DISABLE = ON !Disables zone 1.",
      "!Zone3_DISABLE = ON !Disables zone 2.",
      "!Zone4_DISABLE = ON !Disables zone 3.",
      "Zarv_WindowState = 2 ! 0 normal, 1 minimized, 2 maximized",
      "SingleZone = ON !Turn on single zone operation.  Default is ON.",
      "!SingleZoneLabel = Widget Inspection !Name/Label to use for single zone interface.",
      "!ProductName = Widget's are Us !Name/Label to use for generic interface (Appears on title bar).",
      "SingleZoneOP = ON !Turn on the operation combo box in singlezone operation.",
      "ShowOptions = ON !Turn on the inspection options box in singlezone operation.  Default is ON.",
      "Logo = " + JoinPath(gHome, "CompanyLogo.gif") + " !default is none",
      "CalcReorder = OFF !Reorders the calculations in the inspection options screen to a standard format",
      "TextShowFont = Courier New",
      "TextShowSize = 10",
      " ",
      "!Network Settings",
      "NetLookup = OFF !When blades are on network, copy lookup table to the local machine.",
      "NetHome = OFF !Mirror home files from the network.",
      "ListLookup = OFF !When lists are on network, copy them to the local machine.",
      " ",
      "!Timing",
      "RESTART_NO = 10 ! Number of times to run Quorvex before a forced restart.",
      "AutoRestart = ON ! Display messages when restarting when OFF",
      "RestartTime = 5 ! Time in seconds before and after Quorvex shutdown/restart",
      "CMB_Wait = 2 !Time in seconds to wait before PRINT/SHOW of CMB file",
      " ",
      "!Stats",
      "!KeyLabel = Router# ! Labels the Key ID in the Inspection Options Window",
      "!STAT1 = OPERATOR Operator Name ! Stats Tracking Parameters (1-8 are possible)",
      "CombineON = ON ! Combines the Quorvex and Blade reports into a CMB file.",
      "ValidateON = ON ! Validates all Statistical data when lists are used.",
      "ValidateKeyLabel = ON ! Validates the key label is entered.",
      "UpdateQVXPartName = ON !Set the statistical Quorvex part name for each program",
      "SendCMMasSTAT = ON !Send the CMM name as a statistical field",
      "ResetStatOnNewPart = OFF !Reset all STAT fields when new part number is selected",
      "CSV_To_Home = ON !Send CSV data from Blade to Zarvane home dir for 3rd party stats",
      "SZ_Stats = OFF ! Turn on or off the STAT1 and STAT2 dropdowns on Singlezone interface",
      "SZ_Serial = OFF !Turn on or off the Serial number (Keylabel) dropdown in singlezone interface",
      "FORCE_ENTRY = ON !Force the entry of stats data",
      "STAT_Order = SERNO, OPERATION, LOTPLOT, CMM, MBR, STAT1, STAT2, STAT3, STAT4, STAT5, STAT6, STAT7, STAT8 "
      "!Default is: SERNO, OPERATION, LOTPLOT, CMM, MBR, STAT1, STAT2, STAT3, STAT4, STAT5, STAT6, STAT7, STAT8",
      " ",
      "!File Cleanup",
      "CleanXYZ = 0",
      "CleanIGS = 0",
      "CleanCSV = 0",
      "CleanBCD = 0",
      "CleanRPT = 0",
      "CleanRTF = 0",
      "CleanTXT = 0",
      "CleanCMM = 0",
      "CleanCMB = 0",
      " ",
      "!Miscellaneous",
      "debuglevel = 9",
      "OutFileName = PartNo CompName Date Time !All possible values are listed in Help",
      "USE_MTH = OFF !default is OFF, ON saves Blade calculation time",
      "NOM_MODE = KT !OEM is default, KT uses Velmor nominal files NOM.",
      "ProbeR = TIP 1 !syntax Tip tipnum example ProbeR = AVERAGE, TIP 2 or a real number. For probe "
      "compensation default is 0",
      "Operator_Mode = OFF",
      "HeaderON = ON !Output a header file with stats/info textual information",
      "FixtureON = OFF !Output a fixture file with zone textual information",
      "CheckTimer = OFF",
      "CheckTimerCMD = Some_Command",
      "CheckTimerTime = 1 !In minutes",
      "!ExtBladeFinish = Tallyx Macro_Name !Automatically create charts, etc.",
      "!ExternalMCL = External Calculation Program !Automatically Run a Program on the MCL file",
      "Language = 1 !English = 1, French =2, Italian=3, German=4, Spanish=5",
      "WindowUp = ON !Bring Quorvex window to top during execution",
      "ClearBreaks = OFF !Clear breakpoints in Quorvex program before execution",
  };
  l.insert(l.end(), rest1.begin(), rest1.end());
  l.push_back(mbrLine);
  const Texts rest2 = {
      "PointsOnSectionTolerance = 0.040 !In inches, the amount a section can vary in Z and still be "
      "considered a section",
      "!AltProbeCalibrationProgram = C:\\Zarvane\\quorvx programs\\ZVCalibration.PRG",
      " ",
      "!Warnings",
      "WarnToolMoved = YES",
      "DefToolMoved = YES",
      "WarnMissingFlavorFileCalcs = YES",
      "! Inspection Window Labels",
      "! LETHCK_LABEL = This is LE Thick !Overrides the default Zarvane name for the parameter",
      " ",
      "!Inspection Options Screen Feature Checks - ON or OFF overridden by any single selection",
      "FEATURE_CHECKALL = ON",
      "!Calculation Check Defaults, overrides Global Selection",
      "!LETHCK = ON",
      "!Calculation/Flavor Check defaults where FLV = name of the flavor file, overrides all other selection",
      "!LETHCK_FLV = ON",
      " ",
  };
  l.insert(l.end(), rest2.begin(), rest2.end());
  return l;
}

bool Core::WriteDefaultIni() {
  // Opened before the installer is asked anything, so an unwritable home is told at once.
  std::ofstream out(OsPath(gIniFile), std::ios::binary | std::ios::trunc);
  bool written = static_cast<bool>(out);
  if (written) {
    std::string interfaceLine, trimLine;
    const std::string trimComment =
        " ! For touch trigger machines should be OFF default is ON.  Set value to READ for variable trim.";
    if (Ask("Are you ONLINE (On a CMM)?", "ONLINE?")) {
      interfaceLine = "Interface = CMM1 !To run the CMM this value should be CMM1";
      trimLine = (Ask("Is this machine capable of analog scanning? (Answer YES if not sure)", "Scanning Capable?")
                      ? "Trim = ON"
                      : "Trim = OFF") +
                 trimComment;
    } else if (Ask("Is Quorvex OFFLINE installed on this system?", "OFFLINE?")) {
      interfaceLine = "Interface = OFFLINE !To run the CMM this value should be CMM1";
    } else {
      interfaceLine = "Interface = TEST !To run the CMM this value should be CMM1";
    }
    // The multi-bladed rotor question comes after the ClearBreaks line, so it is asked last.
    const std::string mbrLine = Ask("Will multi-bladed rotors be measured on this system?", "Multi-bladed Rotor?")
                                    ? "MBR = ON !Enable Multi-Bladed Rotor Functionality"
                                    : "MBR = OFF !Enable Multi-Bladed Rotor Functionality";
    for (const auto& line : DefaultIniLines(interfaceLine, trimLine, mbrLine)) out << line << "\r\n";
    out.close();
    written = !out.fail();
    if (!written) std::remove(OsPath(gIniFile).c_str());  // a half-written file would be read as settings
  }
  gDebugLevel = 9;
  const auto bladeexe = PeekIniVal("directories", "bladeexe");
  if (!bladeexe || bladeexe->empty()) {
    SaveIniVal("directories", "blades", JoinPath(gHome, "blades"));
    SaveIniVal("directories", "fixtures", JoinPath(gHome, "fixtures"));
    SaveIniVal("directories", "programs", JoinPath(gHome, "quorvx programs"));
    SaveIniVal("directories", "networkblades", "");
    SaveIniVal("directories", "networkfixtures", "");
    SaveIniVal("directories", "networkprograms", "");
  }
  if (written) {
    WriteLog(Translate("First time run or INI file may have been deleted.  Default Initialization File created.  "
                       "Check settings in") +
                 " " + gIniFile + ".",
             0, true);
  } else {
    WriteLog(Translate("The default initialization file could not be written to") + " " + gIniFile + ". " +
                 Translate("The station continues with default settings") + ".",
             0, true);
  }
  return written;
}

}  // namespace zarvane
