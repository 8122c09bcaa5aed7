// The one-station-per-home lock. The lock file lives in the temporary directory
// (the home may be on a share where lock files are unreliable) and is named
// after a hash of the home's absolute path, so two spellings of one home meet
// at the same file. scripts/demo-home.sh finds a running station's lock by
// the same name before it replaces a demo home.
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include "platform/linux.h"

namespace zarvane {

QtInstanceLock::QtInstanceLock() = default;
QtInstanceLock::~QtInstanceLock() = default;

std::string QtInstanceLock::LockFileFor(const std::string& home) {
  const QFileInfo info(ToQt(home));
  QString path = info.exists() ? info.canonicalFilePath() : QString();
  if (path.isEmpty()) path = QDir::cleanPath(info.absoluteFilePath());
  const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return FromQt(QDir::tempPath() + QStringLiteral("/zarvane-") + QString::fromLatin1(hash) +
                QStringLiteral(".lock"));
}

bool QtInstanceLock::Acquire(const std::string& home) {
  const std::string path = LockFileFor(home);
  if (lock_ && lockedPath_ == path && lock_->isLocked()) return true;
  lock_.reset();
  lockedPath_.clear();
  auto lock = std::make_unique<QLockFile>(ToQt(path));
  // Stale time 0: a lock is stale as soon as the process that wrote it is gone,
  // so the lock of a crashed station is taken over at once.
  lock->setStaleLockTime(0);
  if (!lock->tryLock(0)) {
    // Only a live station holding the lock keeps this one out; a temporary
    // directory that cannot take the file must not stop the station.
    return lock->error() != QLockFile::LockFailedError;
  }
  lock_ = std::move(lock);
  lockedPath_ = path;
  return true;
}

}  // namespace zarvane
