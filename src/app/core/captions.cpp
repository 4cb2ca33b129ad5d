#include "captions.h"

using namespace Captions;

QString TitleCaption() {
    return ProgramTitle + QStringLiteral(", ") + Revision + QStringLiteral(", ") + DateDay + DateMonth +
           DateYear;
}

QString ClosedLogCaption() {
    return ProgramTitle + QStringLiteral(", ") + Revision;
}

QString AppendedLogCaption(const QString& logFileName) {
    return ClosedLogCaption() + QStringLiteral(" - ") + logFileName;
}

QString LoggingCaption(bool loggingOn, const QString& logFileName, const QString& userTitle) {
    if (loggingOn) return TitleCaption() + QStringLiteral(" - ") + logFileName + userTitle;
    return TitleCaption() + userTitle;
}

QString TitleDialogCaption(bool loggingOn, const QString& logFileName, const QString& userTitle) {
    if (loggingOn)
        return TitleCaption() + QStringLiteral(" - ") + logFileName + QStringLiteral(", ") + userTitle;
    return TitleCaption() + QStringLiteral(", ") + userTitle;
}
