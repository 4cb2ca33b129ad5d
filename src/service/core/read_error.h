#pragma once

#include <QString>

// Why a file could not be read: the file, the line (1-based; 0 when the problem is the file as a
// whole) and the reason, as one message for the operator.
struct TReadError {
    QString File;
    int Line = 0;
    QString Reason;

    QString Text() const {
        return Line > 0 ? QStringLiteral("%1, line %2: %3").arg(File).arg(Line).arg(Reason)
                        : QStringLiteral("%1: %2").arg(File, Reason);
    }
};
