// Conversions shared by the Linux implementations, and LinuxPlatform, which
// builds the set of services for a live or a headless run.
#include <QDir>

#include "foundation/text.h"
#include "platform/doubles.h"
#include "platform/linux.h"

namespace zarvane {
namespace {
// A started program that runs longer than this (real time) is not waited for.
constexpr int kProgramWaitMs = 30000;
}  // namespace

QString ToQt(const std::string& text) { return QString::fromUtf8(Cp1252ToUtf8(text)); }

std::string FromQt(const QString& text) { return Utf8ToCp1252(text.toUtf8().toStdString()); }

bool IsPathUnder(const std::string& path, const std::string& root) {
  if (path.empty() || root.empty()) return false;
  const QString p = QDir::cleanPath(ToQt(path));
  const QString r = QDir::cleanPath(ToQt(root));
  if (p == r) return true;
  if (r == QLatin1String("/")) return p.startsWith(QLatin1Char('/'));
  return p.startsWith(r) && p.size() > r.size() && p.at(r.size()) == QLatin1Char('/');
}

LinuxPlatform::LinuxPlatform(const LinuxPlatformOptions& options, Operator* recorder) {
  registry_ = options.registryFile.empty() ? std::make_unique<QtRegistry>()
                                           : std::make_unique<QtRegistry>(options.registryFile);

  std::string printDirectory = options.printDirectory;
  if (printDirectory.empty() && options.headless)
    printDirectory = FromQt(QDir::tempPath()) + "/zarvane-print";
  if (!printDirectory.empty())
    printer_ = std::make_unique<PdfPrinter>(printDirectory, recorder);
  else
    printer_ = std::make_unique<QtPrinter>();

  LinuxShell::Mode mode = LinuxShell::Mode::Live;
  if (options.headless)
    mode = options.recordPrograms ? LinuxShell::Mode::RecordAll : LinuxShell::Mode::RecordDocuments;
  shell_ = std::make_unique<LinuxShell>(printer_.get(), recorder, mode);

  windows_ = std::make_unique<XcbWindowFinder>();
  drives_ = std::make_unique<LinuxDrives>(options.mountsFile);
  if (options.headless)
    system_ = std::make_unique<RecordingSystemInfo>(recorder);
  else
    system_ = std::make_unique<LinuxSystemInfo>();
  lock_ = std::make_unique<QtInstanceLock>();
  fileTypes_ = std::make_unique<LinuxFileTypes>();
  if (options.virtualClock) {
    auto clock = std::make_unique<VirtualClock>(options.virtualStart);
    // A program the station starts works while virtual time passes: it is
    // started and waited for when time next moves on, so the station finds
    // its files exactly when it would after waiting, whatever the machine's
    // speed, and never before.
    if (options.headless) {
      shell_->SetDeferredStart(true);
      clock->SetSettle([shell = shell_.get()] { shell->RunDeferred(kProgramWaitMs); });
    }
    clock_ = std::move(clock);
  } else
    clock_ = std::make_unique<RealClock>();

  platform_.registry = registry_.get();
  platform_.shell = shell_.get();
  platform_.windows = windows_.get();
  platform_.drives = drives_.get();
  platform_.system = system_.get();
  platform_.lock = lock_.get();
  platform_.clock = clock_.get();
  platform_.printer = printer_.get();
  platform_.fileTypes = fileTypes_.get();
}

LinuxPlatform::~LinuxPlatform() = default;

}  // namespace zarvane
