#pragma once
// Where recovery copies live and who may touch them.
//
// folder() holds one folder per running program ("session"), named after its process and start,
// with a lock file that the program holds while it runs. A session whose lock can be taken
// belongs to a program that is no longer running: its copies are offered at the next start.
// Copies the user declined are moved to setAsideFolder(), into a folder named after the day and
// time, and removed from there after kSetAsideDays days.

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace RecoveryStore {

inline constexpr int kSetAsideDays = 30;

// The user's own data folder for this program + "/recovery".
QString folder();
QString setAsideFolder();
// Test hook: copies go below this folder instead of the user's data folder.
void setFolderForTesting(const QString& folder);

// A new, unused session folder name below folder() for this process (not created yet).
QString newSessionFolder();

// Creates the session folder (readable by the user only) and takes its lock; false with a reason
// when either fails.
bool openSession(const QString& folder, QLockFile& lock, QString* error);

// A session of a program that has ended, locked by the caller until it goes.
struct OrphanedSession {
    QString folder;
    std::unique_ptr<QLockFile> lock;
    QStringList copies; // full paths, in the order the windows were made
};

// Takes every session below folder() that holds copies and whose program is no longer running,
// except `own`. Empty sessions of ended programs are removed.
std::vector<OrphanedSession> claimOrphanedSessions(const QString& own);

// Reads one copy whole, bounded; false with a Hungarian reason.
bool readCopy(const QString& path, QByteArray* bytes, QString* error);

// Writes a copy atomically: a temporary file beside it, flushed to disk, renamed over it.
bool writeCopy(const QString& path, const QByteArray& bytes, QString* error);

// Moves the copies into a new folder below setAsideFolder() named after `now`; returns the
// paths that could not be moved (they stay where they are).
QStringList setAside(const QStringList& copies, const QDateTime& now);

// Removes set-aside folders older than kSetAsideDays days before `now`.
void purgeSetAside(const QDateTime& now);

// Releases a session: its lock goes, and the folder too when nothing but the lock is left in it.
void release(OrphanedSession& session);

// The copy file of the window with this number in a session folder.
QString copyPath(const QString& sessionFolder, int window);

} // namespace RecoveryStore
