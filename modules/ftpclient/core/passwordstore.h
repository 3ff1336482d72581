#pragma once

#include "site.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace ftp {

// Passwords live in the desktop's keyring only. Without a keyring the user is asked each time.
namespace PasswordStore {

struct Answer {
    QString password;
    bool fromKeyring = false;
};

std::optional<QString> readFromKeyring(const QString& siteId);
// Fire and forget: these never wait, so nothing runs in between while a window handles a signal.
void writeToKeyring(const QString& siteId, const QString& password);
void removeFromKeyring(const QString& siteId);

// Keyring first, then a password prompt; nothing when the user cancels the prompt.
std::optional<Answer> passwordFor(const Site& site, QWidget* parent);

// Test hook: answers in place of both the keyring and the prompt.
using Override = std::function<std::optional<QString>(const Site& site)>;
void setOverride(Override answer);

} // namespace PasswordStore

} // namespace ftp
