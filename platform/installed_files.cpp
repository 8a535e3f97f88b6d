// Files installed with the program outside its executable, found from the program's own
// folder: `<prefix>/bin/vel7m` reads `<prefix>/share/vel7m/...`, wherever the prefix is (an
// unpacked package as well). VEL7M_DATA_FROM_BIN is that way, set by the build.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "internal.h"

#ifndef VEL7M_DATA_FROM_BIN
#define VEL7M_DATA_FROM_BIN "../share/vel7m"
#endif

QString afx::InstalledDataFile(const QString& name) {
    if (QCoreApplication::instance() == nullptr || name.isEmpty())
        return {};
    QDir data(QCoreApplication::applicationDirPath());
    QString path = QDir::cleanPath(data.filePath(QStringLiteral(VEL7M_DATA_FROM_BIN "/") + name));
    return QFileInfo(path).isFile() ? path : QString();
}
