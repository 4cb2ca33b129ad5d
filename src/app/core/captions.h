#pragma once

#include <QString>

// The program's title texts and the window caption forms built from them. The main window shows the
// caption the acquisition core leaves in TWindowState::Caption; the title dialog builds its own form
// with TitleDialogCaption.
namespace Captions {
inline const QString ProgramTitle = QStringLiteral("KT2093 Application Program for Type X714");
inline const QString Revision = QStringLiteral("Rev 1.01");
inline const QString DateDay = QStringLiteral("17/");
inline const QString DateMonth = QStringLiteral("01/");
inline const QString DateYear = QStringLiteral("2013");
} // namespace Captions

// "KT2093 Application Program for Type X714, Rev 1.01, 17/01/2013": the caption at start.
QString TitleCaption();
// "KT2093 Application Program for Type X714, Rev 1.01": after the log file is closed.
QString ClosedLogCaption();
// "KT2093 Application Program for Type X714, Rev 1.01 - " + file: after a file is opened for appending.
QString AppendedLogCaption(const QString& logFileName);
// The logging switch's caption: TitleCaption + " - " + file + user title when logging is on,
// TitleCaption + user title when it is off.
QString LoggingCaption(bool loggingOn, const QString& logFileName, const QString& userTitle);
// The title dialog's caption: TitleCaption + " - " + file + ", " + user title when logging is on,
// TitleCaption + ", " + user title when it is off.
QString TitleDialogCaption(bool loggingOn, const QString& logFileName, const QString& userTitle);
