#pragma once
// Probe qualification: the probe picture of the main window (the probe
// utilities command), the menu "Run Probe Calibration" and the "/PQ" start.
// The station opens a scratch part program "0" in the host, lets the operator
// choose a probe, a qualification sphere and whether the sphere has moved,
// sets safe qualification parameters, has the host qualify every tip, saves
// the probe and shows the host's results file.

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/connection.h"
#include "host/qualform.h"
#include "station/station.h"

namespace zarvane {
namespace fs = std::filesystem;

class ProbeQualification : public ProbeQualifier {
 public:
  ProbeQualification(Core& core, Station& station, HostConnection& host);

  // The report display (results are shown with type "Results").
  std::function<void(const std::string& type, const std::string& file, const std::string& mode, int zone)>
      PrintShow;

  // The probe picture's command; with "/PQ" it ends the station afterwards.
  void ProbeUtilities() override;
  void mnuProbeCal_Click();

  FrmSelect form;
  bool Running() const { return running_; }

 private:
  bool Interactive() const { return station_.gStartMode != StartMode::ProbeQualification; }
  bool OperatorModeSwitch() const;
  void Status(const std::string& englishText);
  // The qualification itself; throws what the host throws.
  void Qualify();
  void AddScratchPart();
  void Finish();
  void ShowProbeInformationError(const std::string& description);
  // Fills a choice box: none is told and false; one is chosen with the box
  // and its label disabled; more are offered with the tooltip.
  bool Offer(Control& box, Control& label, const std::vector<std::string>& items, const char* none,
             const char* toolTip);
  // Refuses (with a message) while the host is busy or a measurement runs.
  bool RefusedWhileBusy();
  // Shows a modal window with the normal pointer.
  void ShowModal(const std::function<void()>& show);
  // The host's answer, or the "object not set" error when it gave nothing.
  template <class T>
  std::shared_ptr<T> Required(std::shared_ptr<T> object, const char* what);
  // The results file of `probe`, written after `since`; empty when none.
  std::string FindResults(const std::string& probe, const std::string& probePath);

  Core& c;
  Station& station_;
  HostConnection& host_;
  std::shared_ptr<HostTools> tools_;
  std::shared_ptr<HostTool> tool_;
  std::shared_ptr<HostProbe> probe_;
  std::shared_ptr<HostQualificationSettings> settings_;
  bool running_ = false;
  // The results files that were there before Qualify2: time and size.
  std::map<std::string, std::pair<fs::file_time_type, std::uintmax_t>> before_;
};

}  // namespace zarvane
