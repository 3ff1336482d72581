#pragma once

#include "remoteentry.h"
#include "site.h"

#include <QByteArray>

namespace ftp {

// Reads the directory listings libcurl hands back: Unix "ls -l" lines (FTP LIST and SFTP) and
// the DOS style some Windows servers send. Lines it cannot read are skipped, "." and ".." too.
RemoteEntries parseListing(const QByteArray& listing, NameEncoding encoding);

} // namespace ftp
