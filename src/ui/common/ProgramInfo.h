#pragma once
// Where the program finds its manual, and the addresses set when it was built.
#include <QIcon>
#include <QString>

namespace trevix::ui {

// "Trevix Pro" and the version of the build ("0.1.0").
QString ProductTitle();
QString VersionText();
// The program's icon from its data folder (PNGs in several sizes, or the SVG), else the theme's.
QIcon ProgramIcon();
// The manual's folder: ../share/trevix/manual next to the executable when installed, else
// the source tree's docs/manual for a program run from its build tree; empty when neither has
// an index.html.
QString ManualFolder();
// The maker's web site and update page as set at build time; empty when none was set.
QString WebSiteUrl();
QString UpdateUrl();
// The update page with the version's major, minor and revision numbers appended as v, x, y.
QString UpdateCheckUrl();

} // namespace trevix::ui
