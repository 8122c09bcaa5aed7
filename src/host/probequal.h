#pragma once
// Probe qualification: the probe picture of the main window (the probe
// utilities command), the menu "Run Probe Calibration" and the "/PQ" start.
// The station opens a scratch part program "0" in the host, lets the operator
// choose a probe, a qualification sphere and whether the sphere has moved,
// sets safe qualification parameters, has the host qualify every tip, saves
// the probe and shows the host's results file.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "host/connection.h"
#include "host/qualform.h"
#include "station/station.h"

namespace zarvane {

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

 private:
  bool Interactive() const { return station_.gStartMode != StartMode::ProbeQualification; }
  bool OperatorModeSwitch() const;
  void Status(const std::string& englishText);
  // The qualification itself; throws what the host throws.
  void Qualify();
  void AddScratchPart();
  void Finish();
  void ShowProbeInformationError(const std::string& description);
  // The results file of `probe`, written after `since`; empty when none.
  std::string FindResults(const std::string& probe, const std::string& probePath,
                          std::filesystem::file_time_type since);

  Core& c;
  Station& station_;
  HostConnection& host_;
  std::shared_ptr<HostTools> tools_;
  std::shared_ptr<HostTool> tool_;
  std::shared_ptr<HostProbe> probe_;
  std::shared_ptr<HostQualificationSettings> settings_;
};

}  // namespace zarvane
