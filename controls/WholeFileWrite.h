#pragma once
// Writing a file's whole new content so that a failure never goes unreported and never costs the
// old content without a copy of it.
//
// The new content is written beside the file and renamed over it. Where the folder refuses a new
// file, the content must go straight into the existing file: its old bytes are first copied
// (flushed to disk) into the user's own data folder, and put back if the write fails.

#include <QByteArray>
#include <QString>

// Creates or replaces the file. On failure errorMessage says, in Hungarian, exactly what became
// of the file: unchanged, restored, damaged (naming the copy of its old content), or for a new
// file that it was not created.
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* errorMessage);

// Where copies of old content are kept while a file is written in place.
QString oldContentFolder();

// Tests: always take the in-place path, and make its writes fail.
struct WholeFileWriteFaults {
    bool forceInPlace = false;
    bool failNewContent = false; // the write of the new bytes fails halfway
    bool failRestore = false;    // putting the old bytes back fails as well
};
void setWholeFileWriteFaultsForTesting(const WholeFileWriteFaults& faults);
