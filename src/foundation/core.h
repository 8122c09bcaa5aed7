#pragma once
// The foundation services every subsystem uses: the settings file and registry
// store, the diagnostic log and operator messages, the file utilities and the
// language table, with the process-wide state they share (home directory,
// settings file, debug level, locale, language).

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/forms.h"
#include "foundation/operator.h"
#include "foundation/zonestate.h"
#include "platform/platform.h"

namespace zarvane {

// A run-time error of the station, with a number in the style of the original
// language's error numbers (53 file not found, 75 path/file access error, ...).
struct Err {
  int number = 0;
  std::string description;
};

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  int Number() const { return number_; }
  Err AsErr() const { return {number_, what()}; }

 private:
  int number_;
};

// The error a trap caught, for ErrorText.
Err ErrFrom(const std::exception& e);

enum ErrorNumbers {
  kErrInvalidCall = 5,
  kErrOverflow = 6,
  kErrSubscript = 9,
  kErrTypeMismatch = 13,
  kErrFileNotFound = 53,
  kErrFileAlreadyOpen = 55,
  kErrDeviceIo = 57,
  kErrPermission = 70,
  kErrPathAccess = 75,
  kErrPathNotFound = 76,
  kErrObjectNotSet = 91,
  kErrKeyExists = 457,
};

using Texts = std::vector<std::string>;
using OptTexts = std::optional<Texts>;

class BoundedLines;

class Core {
 public:
  Core(Platform& platform, Operator& op, Forms& forms);

  Platform& platform;
  Operator& op;
  Forms& forms;

  // Process-wide state.
  std::string AppTitle = "Zarvane";  // the application title (message boxes, registry area)
  std::string gHome;                 // home directory, no trailing separator
  std::string gIniFile;              // the settings file
  std::string gLocalBladesDir, gLocalFixturesDir, gLocalProgramsDir;
  int gDebugLevel = 0;
  bool gDotDecimal = true;  // the locale's decimal separator is "."
  int gLanguage = 1;
  std::string gProductName;
  // The directory of the station's own executable (where mirror is looked for
  // after the home directory).
  std::string gProgramDir;

  // Data directories in use (the network share, or the local copies after a
  // fallback), the analysis program's settings file and its old-version marker.
  std::string gBladesDir, gFixturesDir, gProgramsDir;
  std::string gBladeIniFile;
  std::string gPWF;
  // Directory of the statistics package, the first place flavor files are
  // looked for (ZARVANE_TALLYX_DIR, default /opt/tallyx).
  std::string gStatsPackageDir = "/opt/tallyx";

  // Per-zone state and the zone being worked on.
  int gzone = 1;
  // Zone 1's flavor file asked for lotplot. parseFLV sets and clears it only
  // while reading zone 1, so within one Measure command it speaks for zone 1;
  // a Measure command without a part in zone 1 would inherit the previous
  // command's value. The Measure command must therefore clear it before it
  // reads any zone.
  bool gLotplotOverride = false;
  // The state of zone n (1 to kZones); a bad zone number is a subscript error.
  ZoneState& Zone(int n);
  ZoneState& CurrentZone() { return Zone(gzone); }

  std::string HomeFile(const std::string& name) const;
  // The platform clock's local time in a strftime format.
  std::string NowText(const char* format);

  // Diagnostic log and operator messages.
  void WriteLog(const std::string& message, int level, bool showBox = false, int messageType = 0);
  static std::string ErrorText(const Err& err);
  // A translated message with "." appended, logged at level 0 and shown.
  void Tell(const std::string& englishText);
  // A Yes/No question with translated text and title, logged at level 0.
  bool Ask(const std::string& englishText, const std::string& englishTitle);

  // Settings file and registry store.
  std::string GetKeyVal(const std::string& file, const std::string& key);
  std::string GetKeyPairVal(const std::string& file, const std::string& key1, const std::string& key2);
  std::string GetIniVal(const std::string& section, const std::string& key, const std::string& defaultValue);
  // Reads the registry without writing the value back (used where nothing may change).
  std::optional<std::string> PeekIniVal(const std::string& section, const std::string& key);
  void SaveIniVal(const std::string& section, const std::string& key, const std::string& value);
  // The default settings file with the installer questions; false when it could not be written.
  bool WriteDefaultIni();
  // The default file's lines as written for the given answers (for tests and docs).
  Texts DefaultIniLines(const std::string& interfaceLine, const std::string& trimLine,
                        const std::string& mbrLine) const;

  // Splitters.
  Texts SplitWords(std::string& line) const;
  Texts SplitWords(const std::string& line) const;
  static Texts SplitFields(const std::string& line);
  static bool IsComment(const std::string& line);

  // File tests and changes.
  bool FileExists(const std::string& path, bool quiet = true);
  void KillFile(const std::string& path);
  static std::string BackupName(const std::string& path);
  void MakeOLD(const std::string& path);
  bool FCopy(const std::string& source, const std::string& destination);
  void ChangeDir(const std::string& path);

  // Readers.
  OptTexts getaFile(const std::string& path);
  void WriteaFile(const Texts& items, const std::string& path, bool keepBackup);
  bool parseFile(const std::string& path, const std::string& keyword, bool semicolonMode);
  OptTexts getaLine(const std::string& path, const std::string& keyword, bool semicolonMode);
  OptTexts getaKeySet(const std::string& path, const std::string& key, int column);
  void ReplaceLine(const std::string& path, const std::string& tag, const std::string& newLine);
  // After a read with BoundedLines: tells the operator (box, level 0) which line
  // of the file was too long to be taken in. Told once per file until the file
  // changes, so a lookup repeated on the same file does not repeat the box.
  void TellLongLines(const std::string& path, const BoundedLines& lines);
  std::string OpenFileDlg(const std::string& title, const std::string& filter, const std::string& defaultPath);
  std::vector<std::string> FixedDrives();

  // Network paths. A path is on the network when the platform says its drive is
  // remote; a share name (two separators first) never is. It is reachable when it
  // exists now.
  bool IsNetDrive(const std::string& path);
  bool IsNetThere(const std::string& path);
  // Starts the mirror tool (home directory first, then beside the executable)
  // copying `source` to `destination`, not waited for. Returns the command text
  // as logged: the program and both directories, each in double quotes.
  std::string StartMirror(const std::string& source, const std::string& destination);

  // Opens a document or starts a program (operation "Open" or "Print"); when no
  // program is associated with a document the operator is told so.
  ShellResult ShellOpen(const std::string& operation, const std::string& file, const std::string& parameters,
                        const std::string& directory, int showCommand);
  // True while a top-level window whose upper-cased title contains the upper-cased
  // text exists, or a program the station started whose name contains it runs.
  bool FindWindowByTitle(const std::string& text);

  // Language table.
  void loadLanguage(int language);
  std::string Translate(const std::string& text);
  // While set, Translate never appends to Lang.ini (used when nothing may be written).
  void SetLanguageReadOnly(bool readOnly) { languageReadOnly_ = readOnly; }
  // Passes the caption and tooltip of every captioned control through the table
  // again, always from the English text the code set (so a switch back to
  // English restores English). A source text that is no English text of the
  // table but the loaded language's translation of one (the code set an already
  // translated text) stands for that English text and becomes the source.
  // Controls named in `skipNames` keep their captions as set.
  void TranslateCaptions(Form& form, const std::string& logPrefix, const std::vector<std::string>& skipNames = {});
  // The English text of the table whose translation in the loaded language is
  // `text`; `text` itself when it is an English text of the table or no translation.
  std::string EnglishOf(const std::string& text) const;
  static std::string EscapeLangField(const std::string& text);
  static std::string UnescapeLangField(const std::string& text);

 private:
  bool logBlocked_ = false;  // the log could not be opened; told once until it works again
  struct LogStream;          // the log file held open for appending (log.cpp)
  std::shared_ptr<LogStream> logStream_;
  bool languageLoaded_ = false;
  bool languageReadOnly_ = false;
  std::set<std::string> toldLongLines_;  // files whose over-long lines were told, with their size and time
  std::array<ZoneState, kZones + 1> zones_;
  std::map<std::string, std::string> langTable_;  // key: case-folded English text
  std::map<std::string, std::string> englishOf_;  // key: case-folded translation; value: its English text
};

}  // namespace zarvane
