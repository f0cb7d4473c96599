#pragma once
// The maker's web pages, opened from the tray menu and the manager's menus.

#include <QString>

namespace flk::MakerPages {

inline const QString kDomain = QStringLiteral("www.marrowby.com");
inline const QString kMain = QStringLiteral("http://www.marrowby.com/");
inline const QString kUpgrade = QStringLiteral("http://www.marrowby.com/upgrade/");
inline const QString kDownload = QStringLiteral("http://www.marrowby.com/download/");
inline const QString kSupport = QStringLiteral("http://www.marrowby.com/support/");

} // namespace flk::MakerPages
