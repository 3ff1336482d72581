#pragma once

#include "site.h"

#include <QList>

namespace ftp {

// The site list in the per-user settings (organisation "Webrix", application "FTPClient").
// Passwords never go here; odd or missing values fall back to sensible defaults.
namespace SiteStore {

QList<Site> load();
void save(const QList<Site>& sites);
// Adds a site or replaces the one with the same id; gives a new site an id.
Site store(Site site);
void remove(const QString& siteId);

} // namespace SiteStore

} // namespace ftp
