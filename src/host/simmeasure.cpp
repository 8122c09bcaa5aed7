// Blade measurement on the simulated host. The virtual part is the part's KT
// nominal file; the "measured" blade is that nominal moved by the part's
// deviation from simhost.ini (rotation about z and an offset) plus seeded form
// noise along the surface normal. The results go to blade.rtf (simreport.cpp).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "foundation/filename.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "host/simcore.h"

namespace fs = std::filesystem;

namespace zarvane {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Nominal records separate their words with blanks, tabs or "=".
std::vector<std::string> NominalWords(std::string line) {
  std::replace(line.begin(), line.end(), '=', ' ');
  return SimWords(line);
}

bool AllNumeric(const std::vector<std::string>& w, size_t count) {
  for (size_t i = 0; i < count && i < w.size(); ++i)
    if (!IsNumeric(w[i])) return false;
  return w.size() >= count;
}

bool Contains(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

// A marker line's point number when it is given plainly ("NOSE 12"), else 0.
int PlainNumber(const std::vector<std::string>& w) {
  if (w.size() != 2 || !IsNumeric(w[1])) return 0;
  const double v = Val(w[1]);
  return v >= 1 && v == std::floor(v) ? static_cast<int>(v) : 0;
}

struct BladeRequest {
  std::string part;
  std::string fixture;
  int platformCheck = 0;
  int sections = 0;
  int edgeChanges = 0;
  std::vector<double> pointHeights;  // z of every point line, in file order
};

BladeRequest ReadBladeRequest(const std::vector<std::string>& lines) {
  BladeRequest r;
  for (const auto& line : lines) {
    const auto w = SimWords(line);
    if (w.empty()) continue;
    const std::string key = UCase(w[0]);
    const std::string rest = w.size() > 1 ? w[1] : "";
    if (key == "PART") {
      r.part = rest;
    } else if (key == "FIXTURE_LOCATION") {
      r.fixture = rest;
    } else if (key == "PLATFORM_CHECK") {
      r.platformCheck = ValInt(rest);
    } else if (key == "NUMBER_OF_SECTIONS") {
      r.sections = ValInt(rest);
    } else if (key == "LE_CHANGE" || key == "TE_CHANGE") {
      ++r.edgeChanges;
    } else if (AllNumeric(w, 6)) {
      r.pointHeights.push_back(Val(w[2]));
    }
  }
  return r;
}

struct Vec {
  double x = 0, y = 0, z = 0, i = 0, j = 0, k = 0;
};

// The nominal contour with a unit normal at every point: the file's i j k when
// given, else the in-plane normal from the neighbouring points, pointing outwards.
std::vector<Vec> ContourWithNormals(const SimNominalSection& sec) {
  const auto& pts = sec.points;
  const size_t n = pts.size();
  double area = 0;
  for (size_t a = 0; a < n; ++a) {
    const auto& p = pts[a];
    const auto& q = pts[(a + 1) % n];
    area += p.x * q.y - q.x * p.y;
  }
  const double orientation = area >= 0 ? 1.0 : -1.0;
  std::vector<Vec> out(n);
  for (size_t a = 0; a < n; ++a) {
    const auto& p = pts[a];
    Vec v{p.x, p.y, p.z, 0, 0, 0};
    const double len = std::sqrt(p.i * p.i + p.j * p.j + p.k * p.k);
    if (p.hasNormal && len > 1e-12) {
      v.i = p.i / len;
      v.j = p.j / len;
      v.k = p.k / len;
    } else {
      const auto& prev = pts[(a + n - 1) % n];
      const auto& next = pts[(a + 1) % n];
      const double tx = next.x - prev.x, ty = next.y - prev.y;
      const double tl = std::sqrt(tx * tx + ty * ty);
      if (tl > 1e-12) {
        v.i = orientation * ty / tl;
        v.j = -orientation * tx / tl;
      } else {
        v.i = 1;
      }
    }
    out[a] = v;
  }
  return out;
}

// `count` points spaced evenly by arc length along the polyline; normals are
// interpolated and made unit again.
std::vector<Vec> Resample(const std::vector<Vec>& line, int count) {
  if (static_cast<int>(line.size()) == count || line.size() < 2) return line;
  std::vector<double> at(line.size(), 0.0);
  for (size_t a = 1; a < line.size(); ++a) {
    const double dx = line[a].x - line[a - 1].x, dy = line[a].y - line[a - 1].y, dz = line[a].z - line[a - 1].z;
    at[a] = at[a - 1] + std::sqrt(dx * dx + dy * dy + dz * dz);
  }
  const double total = at.back();
  std::vector<Vec> out;
  out.reserve(count);
  size_t seg = 1;
  for (int m = 0; m < count; ++m) {
    const double want = total * m / (count - 1);
    while (seg + 1 < line.size() && at[seg] < want) ++seg;
    const double span = at[seg] - at[seg - 1];
    const double f = span > 0 ? std::clamp((want - at[seg - 1]) / span, 0.0, 1.0) : 0.0;
    const Vec& a = line[seg - 1];
    const Vec& b = line[seg];
    Vec v{a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z),
          a.i + f * (b.i - a.i), a.j + f * (b.j - a.j), a.k + f * (b.k - a.k)};
    const double len = std::sqrt(v.i * v.i + v.j * v.j + v.k * v.k);
    if (len > 1e-12) {
      v.i /= len;
      v.j /= len;
      v.k /= len;
    } else {
      v.i = a.i;
      v.j = a.j;
      v.k = a.k;
    }
    out.push_back(v);
  }
  return out;
}

// Side 1 runs from the nose to the tail, side 2 from the tail on round to the nose.
std::vector<SimMeasuredSide> MeasureSection(const SimNominalSection& sec, const SimSettings& st) {
  const std::vector<Vec> contour = ContourWithNormals(sec);
  const size_t n = contour.size();
  size_t nose = 0;
  if (sec.nose >= 1 && static_cast<size_t>(sec.nose) <= n) {
    nose = sec.nose - 1;
  } else {
    for (size_t a = 1; a < n; ++a)
      if (contour[a].x < contour[nose].x) nose = a;
  }
  size_t tail = nose;
  if (sec.tail >= 1 && static_cast<size_t>(sec.tail) <= n && static_cast<size_t>(sec.tail - 1) != nose) {
    tail = sec.tail - 1;
  } else {
    double far = -1;
    for (size_t a = 0; a < n; ++a) {
      const double dx = contour[a].x - contour[nose].x, dy = contour[a].y - contour[nose].y;
      if (dx * dx + dy * dy > far) {
        far = dx * dx + dy * dy;
        tail = a;
      }
    }
  }
  auto walk = [&](size_t from, size_t to) {
    std::vector<Vec> side;
    for (size_t a = from;; a = (a + 1) % n) {
      side.push_back(contour[a]);
      if (a == to) break;
    }
    return Resample(side, std::max(12, st.pointsPerSide));
  };

  double cx = 0, cy = 0;
  for (const auto& p : contour) {
    cx += p.x;
    cy += p.y;
  }
  cx /= n;
  cy /= n;
  const double angle = st.rotation * kPi / 180.0;
  const double c = std::cos(angle), s = std::sin(angle);
  const std::uint64_t sectionKey = SimHashText(sec.label);

  std::vector<SimMeasuredSide> sides;
  for (int side = 1; side <= 2; ++side) {
    const std::vector<Vec> nominal = side == 1 ? walk(nose, tail) : walk(tail, nose);
    SimMeasuredSide measured;
    for (size_t a = 0; a < nominal.size(); ++a) {
      const Vec& q = nominal[a];
      SimMeasuredPoint m;
      m.x = cx + (q.x - cx) * c - (q.y - cy) * s + st.offsetX;
      m.y = cy + (q.x - cx) * s + (q.y - cy) * c + st.offsetY;
      m.z = q.z;
      m.i = q.i * c - q.j * s;
      m.j = q.i * s + q.j * c;
      m.k = q.k;
      const double form = st.noise * SimUnitNoise(st.seed, sectionKey, side, a);
      m.x += form * m.i;
      m.y += form * m.j;
      m.z += form * m.k;
      m.deviation = (m.x - q.x) * q.i + (m.y - q.y) * q.j + (m.z - q.z) * q.k;
      measured.push_back(m);
    }
    sides.push_back(std::move(measured));
  }
  return sides;
}

// The radius of the first tip of a probe file ("TIP <n> <diameter>" lines);
// 0 when the probe or its tips are unknown.
double FirstTipRadius(const std::string& probeFile) {
  for (const std::string& line : ReadLines(ResolveCase(probeFile)).value_or(std::vector<std::string>{})) {
    const auto words = SimWords(line);
    if (words.size() >= 3 && UCase(words[0]) == "TIP") {
      const double diameter = std::atof(words[2].c_str());
      return std::isfinite(diameter) && diameter > 0 ? diameter / 2 : 0;
    }
  }
  return 0;
}

std::string F5(double v) { return FormatFixed(v, 5); }

bool HasUaNominal(const std::string& partDir, const std::string& part) {
  if (IsRegularFile(ResolveCase(JoinPath(partDir, part + ".ua")))) return true;
  std::error_code ec;
  for (fs::directory_iterator it(OsPath(partDir), ec), end; !ec && it != end; it.increment(ec))
    if (IEquals(Extension(FromOsPath(it->path().filename())), "ua")) return true;
  return false;
}

}  // namespace

double SimNominalSection::Height() const {
  if (points.empty()) return 0;
  double z = 0;
  for (const auto& p : points) z += p.z;
  return z / points.size();
}

std::optional<std::vector<SimNominalSection>> SimReadNominal(const std::string& path) {
  auto lines = ReadLines(path);
  if (!lines) return std::nullopt;
  std::vector<SimNominalSection> sections;
  for (const auto& raw : *lines) {
    const std::string t = TrimWhite(raw);
    if (t.empty() || t[0] == '!' || StartsWith(t, "$$")) continue;
    if (Contains(t, "UNITS") || Contains(t, "NUM_SECT")) continue;
    const auto w = NominalWords(t);
    if (w.empty()) continue;
    if (Contains(t, "SECTION")) {
      SimNominalSection sec;
      sec.label = w.size() > 1 ? w[1] : std::to_string(sections.size() + 1);
      sections.push_back(std::move(sec));
      continue;
    }
    if (Contains(t, "NOSE") || Contains(t, "TAIL") || Contains(t, "OFFSETS") || Contains(t, "CHANGES")) {
      if (!sections.empty()) {
        if (Contains(t, "NOSE")) sections.back().nose = PlainNumber(w);
        if (Contains(t, "TAIL")) sections.back().tail = PlainNumber(w);
      }
      continue;
    }
    SimNominalPoint p;
    if ((w.size() == 6 || w.size() == 8) && AllNumeric(w, 6)) {
      p = {Val(w[0]), Val(w[1]), Val(w[2]), Val(w[3]), Val(w[4]), Val(w[5]), true};
    } else if ((w.size() == 3 || w.size() == 5) && AllNumeric(w, 3)) {
      p = {Val(w[0]), Val(w[1]), Val(w[2]), 0, 0, 0, false};
    } else {
      continue;  // not a record the simulator needs
    }
    if (sections.empty()) sections.push_back(SimNominalSection{"1", {}, 0, 0});
    sections.back().points.push_back(p);
  }
  // A section needs a contour to be measured.
  sections.erase(std::remove_if(sections.begin(), sections.end(),
                                [](const SimNominalSection& s) { return s.points.size() < 3; }),
                 sections.end());
  return sections;
}

void SimMeasureBlade(SimSession& s, SimPart& program, SimRunRecord& run) {
  const std::string bladeTxt = s.StationFile("blade.txt");
  const auto request = ReadLines(bladeTxt);
  if (!request) throw AutomationError("MEASURE_BLADE: the blade file " + bladeTxt + " was not found");
  const BladeRequest r = ReadBladeRequest(*request);
  if (r.part.empty()) throw AutomationError("MEASURE_BLADE: " + bladeTxt + " names no PART");
  // The part names one directory of the parts directory, never another place.
  if (!IsPlainFileName(r.part)) throw AutomationError("MEASURE_BLADE: " + bladeTxt + " names no usable PART");

  const std::string partDir = ResolveCase(JoinPath(s.settings.partsDir, r.part));
  const std::string nom = ResolveCase(JoinPath(partDir, r.part + ".nom"));
  if (!IsRegularFile(nom)) {
    if (HasUaNominal(partDir, r.part))
      throw AutomationError("MEASURE_BLADE: part " + r.part + " has no KT nominal file (" + nom +
                            "), only an OEM .ua nominal; the simulator cannot measure it");
    throw AutomationError("MEASURE_BLADE: the nominal file " + nom + " of part " + r.part + " was not found");
  }
  const auto sections = SimReadNominal(nom);
  if (!sections) throw AutomationError("MEASURE_BLADE: the nominal file " + nom + " cannot be read");
  if (sections->empty()) throw AutomationError("MEASURE_BLADE: the nominal file " + nom + " holds no sections");

  // The sections asked for: those nearest to the heights of blade.txt's
  // points, in the order they first appear there.
  std::vector<size_t> chosen;
  const size_t wanted = r.sections > 0 ? static_cast<size_t>(r.sections) : sections->size();
  for (double z : r.pointHeights) {
    size_t best = 0;
    for (size_t a = 1; a < sections->size(); ++a)
      if (std::fabs((*sections)[a].Height() - z) < std::fabs((*sections)[best].Height() - z)) best = a;
    if (std::find(chosen.begin(), chosen.end(), best) == chosen.end()) chosen.push_back(best);
    if (chosen.size() >= wanted) break;
  }
  if (r.pointHeights.empty())  // no points given: the first sections of the nominal
    for (size_t a = 0; a < sections->size() && a < wanted; ++a) chosen.push_back(a);

  const int language = s.env.language ? s.env.language() : 1;
  const char* blockWord = language == 4 ? "PUNKTINFO" : "POINTDATA";
  const std::vector<std::string> header = {
      "Quorvex blade measurement",
      "Host " + s.settings.version,
      "Program " + program.Name(),
      "Part " + r.part,
      "Date " + SimDateTime(s.Now()),
      std::string("Units ") + (program.Units() == 0 ? "INCH" : "MM"),
      "Sections " + std::to_string(chosen.size()),
  };
  int points = 0;
  std::vector<SimMeasuredSide> measured;
  // A probe measures the centre of its ball: the surface point moved out by
  // the tip radius along the surface normal (first tip of the loaded probe).
  const double ball = run.probe.empty() ? 0 : FirstTipRadius(s.settings.probeDir + run.probe + ".prb");
  for (size_t index : chosen) {
    const SimNominalSection& sec = (*sections)[index];
    double lo = 0, hi = 0;
    bool first = true;
    int count = 0;
    for (SimMeasuredSide& side : MeasureSection(sec, s.settings)) {
      for (SimMeasuredPoint& m : side) {
        m.x += ball * m.i;
        m.y += ball * m.j;
        m.z += ball * m.k;
        lo = first ? m.deviation : std::min(lo, m.deviation);
        hi = first ? m.deviation : std::max(hi, m.deviation);
        first = false;
        ++count;
      }
      measured.push_back(std::move(side));
    }
    points += count;
    run.measured.push_back("Blade " + r.part + " section " + sec.label + " at height " + F5(sec.Height()) + ": " +
                           std::to_string(count) + " points, deviation " + F5(lo) + " to " + F5(hi));
  }
  const std::vector<std::string> out = SimBladeReportLines(header, measured, blockWord, s.settings.variedReports);

  const std::string rtf = s.StationFile("blade.rtf");
  if (!WriteLines(rtf, SimRtfLines(out))) throw AutomationError("MEASURE_BLADE: " + rtf + " cannot be written");
  run.bladeFile = rtf;
  s.Journal("MEASURED " + r.part + ": " + std::to_string(chosen.size()) + " sections, " + std::to_string(points) +
            " points -> " + rtf);
}

}  // namespace zarvane
