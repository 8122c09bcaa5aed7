#pragma once
// A nominal file of either family as blade.txt is written from it, for a zone
// whose tolerance table selects sections A-A and C-C of three.
#include <string>

#include "datafiles/bladetxt.h"
#include "fuzz_station.h"

namespace zarvane::fuzz {

inline void WriteBladeTxtFrom(const std::string& nomExt, const std::uint8_t* data, std::size_t size) {
  Station s;
  PartFiles pf(s.core);
  SectionGeometry geo(s.core);
  BladeText bt(s.core, pf, geo);
  ZoneState& z = s.core.CurrentZone();
  z.gPn = z.gNomName = z.gTolName = "P1";
  z.flavorName = "KT1";
  z.nomExt = nomExt;
  z.tolExt = ".tol";
  z.tolerance = {{"A-A", true, true}, {"B-B", false, false}, {"C-C", true, true}};
  z.sectionCount = 3;
  WriteFile(Home() / "blades" / "P1" / ("P1" + nomExt), data, size);
  bt.WriteBladeTxt();
}

}  // namespace zarvane::fuzz
