#pragma once

#include "remoteentry.h"
#include "site.h"

#include <QByteArray>
#include <QStringList>

namespace ftp {

// Reads the directory listings libcurl hands back: Unix "ls -l" lines (FTP LIST and SFTP) and
// the DOS style some Windows servers send. Lines it cannot read are skipped, "." and ".." too.
// Any other name that is not a single safe path component is left out and added to unsafeNames.
RemoteEntries parseListing(const QByteArray& listing, NameEncoding encoding,
                           QStringList* unsafeNames = nullptr);

} // namespace ftp
