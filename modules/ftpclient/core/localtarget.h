#pragma once

#include <QString>

namespace ftp {

// The last check before a download creates, writes, renames or removes anything on this
// computer: target must lie inside folder, reached only through real folders. A symbolic link
// (or junction) already sitting under folder could lead anywhere, so it is never followed;
// folder itself is the user's choice and may be one.
bool isInsideFolder(const QString& folder, const QString& target);

} // namespace ftp
