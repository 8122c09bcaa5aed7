#pragma once
// The two selection dialogs of the inspection options window: the blade picker
// (which blades of a multi-bladed rotor to measure) and the section picker
// (which airfoil sections to measure). Each works on the zone it was opened
// for; the section picker's operations also serve the options window's section
// choices without showing it.

#include <string>

#include "datafiles/partfiles.h"
#include "foundation/core.h"
#include "foundation/forms.h"

namespace zarvane {

// The blade list of a part: one blade number per line of <part>.mbr. Blank
// lines are skipped; lines that are no whole number are left out and the
// operator is told (the file, the first such line, how many). Nothing when
// the file cannot be read.
OptTexts ReadBladeList(Core& c, const std::string& path);

class FrmMBR : public Form {
 public:
  FrmMBR(Forms& forms, Core& core);
  void Form_Paint() override;

 private:
  Core& core_;
};

class FrmCustSections : public Form {
 public:
  FrmCustSections(Forms& forms, Core& core);
  void Form_Paint() override;

 private:
  Core& core_;
};

class BladePicker {
 public:
  BladePicker(Core& core, PartFiles& files);

  FrmMBR form;
  // Loads zone n's blade file into the list, all selected, and shows the
  // dialog modally; false (nothing shown) when the part has no blade file.
  bool Open(int zone);
  std::string BladeFile(int zone) const;

  void cmdAll_Click();
  void cmdNone_Click();
  void cmdOK_Click();
  void cmdCancel_Click();

 private:
  Core& c;
  PartFiles& files_;
  int zone_ = 0;
};

class SectionPicker {
 public:
  SectionPicker(Core& core, PartFiles& files);

  FrmCustSections form;
  int Zone() const { return zone_; }

  // Binds the picker to zone n, lists its sections and shows it modeless.
  void Open(int zone);
  // Lists the bound zone's sections again, selected as their flags say. Does
  // nothing while the picker is not loaded or when `zone` is another zone.
  void SectionUpdate(int zone);
  // Operations on a zone's flags (the options window's section choices use them too).
  void selAll(int zone);
  void BaseTip(int zone);

  void cmdAll_Click();
  void cmdNone_Click();
  void cmdBaseTip_Click();
  void cmdDefault_Click();
  void cmdOK_Click();
  void cmdCancel_Click();

 private:
  void SetShown(bool selected);
  // The flags of the sections named `name`, or of the first/last called-out
  // section when the tolerance file does not name one.
  void SelectEnd(ZoneState& z, const std::string& path, const char* keyword, bool first);

  Core& c;
  PartFiles& files_;
  int zone_ = 0;
};

}  // namespace zarvane
