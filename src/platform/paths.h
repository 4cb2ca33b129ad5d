#pragma once

#include <QString>

// The directory that stands for drive C: ($X714_DRIVE_C, else $XDG_DATA_HOME/x714, normally
// ~/.local/share/x714). Files the bench programs keep at fixed C:\ paths live here.
QString DriveCDir();
// A file in the drive C directory, e.g. DriveCPath("eng.Ok"). The directory is created on demand.
QString DriveCPath(const QString& name);

// The device behind COMn: a --port COMn=DEVICE mapping, else the link <drive C>/dev/COMn when it
// exists, else /dev/ttyS<n-1>. Returns an empty text for numbers outside 1..99.
QString ComDevicePath(int comNumber);
// Maps COMn to a device for this run. Returns false for a number outside 1..99.
bool SetComPortOverride(int comNumber, const QString& device);
void ClearComPortOverrides();
// Parses "COMn=DEVICE" as given to --port; on failure returns false and sets error.
bool ParsePortOption(const QString& option, QString* error);
// Parses "COMn" or "n" into 1..99; returns 0 when the text names no COM port.
int ParseComName(const QString& text);
// A port argument of a command-line tool: a COMn name is mapped, anything else is a device path.
QString ResolvePortArgument(const QString& text);
