#pragma once
// The main window's "Convert Text File" and "Make New Part": a raw point file
// turned into a nominal or report file, and a new part directory made from
// nominal, tolerance and operation files. The zone's nominal check converts
// through the same converter when a part has only its point file.

#include <string>

#include "datafiles/partfiles.h"
#include "foundation/core.h"
#include "geometry/convert.h"
#include "station/station.h"

namespace zarvane {

class PartMaking {
 public:
  // Plugs into the station (the two menu commands) and into the part files
  // (their point file conversion).
  PartMaking(Core& core, Station& station, PartFiles& files);
  ~PartMaking();
  PartMaking(const PartMaking&) = delete;
  PartMaking& operator=(const PartMaking&) = delete;

  void mnuConvertPTS_Click();
  void mnuMakePart_Click();

  Core& c;
  Station& station;
  PointFileConverter converter;

 private:
  PartFiles& files_;
  // Copies `source` into the part directory as <part>.<extension>, retiring a
  // file already there.
  void CopyIntoPart(const std::string& source, const std::string& partDir, const std::string& part,
                    const std::string& extension);
};

}  // namespace zarvane
