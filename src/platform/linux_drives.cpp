// Drive types from the mount table (/proc/self/mounts). A path belongs to the
// mount with the longest mount point that contains it, component by component;
// the path itself need not exist, so a directory about to be created on a share
// is already known as Remote.
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "foundation/text.h"
#include "platform/linux.h"

namespace zarvane {
namespace {

// Mount table fields escape blank, tab, newline and backslash as octal (\040).
std::string DecodeMountField(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '7' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

const std::set<std::string>& NetworkTypes() {
  static const std::set<std::string> types = {
      "nfs",        "nfs4",   "cifs",           "smb3",      "smbfs",         "sshfs",
      "fuse.sshfs", "afs",    "ceph",           "fuse.ceph", "glusterfs",     "fuse.glusterfs",
      "9p",         "davfs",  "fuse.davfs2",    "ncpfs",     "fuse.rclone",   "fuse.s3fs",
      "coda",       "lustre", "fuse.curlftpfs", "ftpfs",     "fuse.smbnetfs", "beegfs",
  };
  return types;
}

const std::set<std::string>& LocalDiskTypes() {
  static const std::set<std::string> types = {
      "ext2",
      "ext3",
      "ext4",
      "xfs",
      "btrfs",
      "vfat",
      "msdos",
      "exfat",
      "ntfs",
      "ntfs3",
      "fuseblk",
      "f2fs",
      "zfs",
      "jfs",
      "reiserfs",
      "hfsplus",
      "bcachefs",
      // A container's root file system.
      "overlay",
  };
  return types;
}

}  // namespace

LinuxDrives::LinuxDrives(std::string mountsFile, std::optional<std::vector<std::string>> networkRoots)
    : mountsFile_(std::move(mountsFile)), networkRoots_(std::move(networkRoots)) {}

std::vector<LinuxDrives::Mount> LinuxDrives::ReadMounts() const {
  std::vector<Mount> mounts;
  std::ifstream in(mountsFile_);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, point, type;
    if (!(fields >> device >> point >> type)) continue;
    mounts.push_back({DecodeMountField(point), type});
  }
  return mounts;
}

DriveType LinuxDrives::TypeOfFileSystem(const std::string& fsType) {
  if (NetworkTypes().count(fsType)) return DriveType::Remote;
  if (LocalDiskTypes().count(fsType)) return DriveType::Fixed;
  if (fsType == "tmpfs" || fsType == "ramfs") return DriveType::RamDisk;
  if (fsType == "iso9660" || fsType == "udf") return DriveType::CdRom;
  return DriveType::Unknown;  // proc, sysfs, cgroup, devtmpfs and the like
}

std::vector<std::string> LinuxDrives::NetworkRoots() const {
  if (networkRoots_) return *networkRoots_;
  std::vector<std::string> roots;
  const char* env = std::getenv("ZARVANE_NETWORK_ROOTS");
  if (!env) return roots;
  std::string item;
  std::istringstream list(env);
  while (std::getline(list, item, ':'))
    if (!item.empty()) roots.push_back(Utf8ToCp1252(item));
  return roots;
}

DriveType LinuxDrives::TypeOf(const std::string& path) {
  // "//server/share" and "\\server\share" are UNC names, not paths here.
  if (path.size() >= 2 && (path.compare(0, 2, "//") == 0 || path.compare(0, 2, "\\\\") == 0))
    return DriveType::Unknown;
  if (path.empty() || path[0] != '/') return DriveType::Unknown;

  for (const std::string& root : NetworkRoots())
    if (!root.empty() && root[0] == '/' && IsPathUnder(path, root)) return DriveType::Remote;

  // Symbolic links are followed for paths that exist; the rest go by their text.
  const QFileInfo info(ToQt(path));
  std::string lookup = path;
  if (info.exists()) {
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty()) lookup = FromQt(canonical);
  }
  const Mount* best = nullptr;
  const std::vector<Mount> mounts = ReadMounts();
  for (const Mount& m : mounts) {
    // Later entries are mounted over earlier ones at the same point.
    if (IsPathUnder(lookup, Utf8ToCp1252(m.point)) && (!best || m.point.size() >= best->point.size()))
      best = &m;
  }
  return best ? TypeOfFileSystem(best->type) : DriveType::Unknown;
}

std::vector<std::string> LinuxDrives::FixedDrives() {
  // The file system in use at each mount point: the last one mounted there.
  std::map<QString, std::string> inUse;
  for (const Mount& m : ReadMounts())
    if (!m.point.empty() && m.point[0] == '/') inUse[QDir::cleanPath(QString::fromUtf8(m.point))] = m.type;
  std::set<std::string> points;
  bool haveRoot = false;
  for (const auto& [point, type] : inUse) {
    if (TypeOfFileSystem(type) != DriveType::Fixed) continue;
    // Containers bind single files (/etc/hosts) from the host disk: not drives.
    const QFileInfo info(point);
    if (info.exists() && !info.isDir()) continue;
    if (point == QLatin1String("/"))
      haveRoot = true;
    else
      points.insert(FromQt(point));
  }
  std::vector<std::string> drives;
  if (haveRoot) drives.push_back("/");
  drives.insert(drives.end(), points.begin(), points.end());
  return drives;
}

}  // namespace zarvane
