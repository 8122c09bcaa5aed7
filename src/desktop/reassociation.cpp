// Reassociate Data Files.
#include "desktop/reassociation.h"

#include "desktop/association.h"
#include "foundation/text.h"

namespace zarvane {

Reassociation::Reassociation(Core& core, Station& station) : c(core) {
  station.frmMain("mnuAssoc").onClick = [this] { mnuAssoc_Click(); };
  station.EnableCommand("mnuAssoc");
}

void Reassociation::mnuAssoc_Click() {
  FileTypes* types = c.platform.fileTypes;
  if (!types) return;
  if (const std::vector<std::string> missing = types->MissingTools(); !missing.empty()) {
    // update-mime-database comes with shared-mime-info, xdg-mime with xdg-utils.
    c.op.Message(c.Translate("The data files were not associated. Programs missing:") + " " + Join(missing, ", "),
                 c.AppTitle);
    return;
  }
  const std::string editor = types->TextEditor();
  if (editor.empty()) return;
  c.WriteLog("mnuAssoc_Click: Creating Registry Entries for CMM and CMB files", 0);
  if (!types->Register(StationFileTypes(editor, types->PrintCommand())))
    c.WriteLog("mnuAssoc_Click: the desktop did not take every file type.", 0);
}

}  // namespace zarvane
