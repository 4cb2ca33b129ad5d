#pragma once

// A fixture file a test cannot do without: written whole, or the test program stops with the path.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

inline QString WriteTestFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.flush())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}
