#pragma once

#include <QString>

// The one version of the program (the project's version, given by the build): the
// window title, the splash and the about view all show it.
namespace ProgramVersion {

inline QString Number() {
    return QStringLiteral(GRAVELON_VERSION);
}

inline QString WindowTitle() {
    return QStringLiteral("Гравелон ") + Number();
}

inline QString VersionText() {
    return QStringLiteral("Версия ") + Number();
}

} // namespace ProgramVersion
