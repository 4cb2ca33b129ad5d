#pragma once

// What a benchmark that shows screens sets up before its application object: the offscreen platform,
// and a drive C of the run's own for the settings files the screens read and write, unless the
// environment names them already. The directory goes when the object does.
#include <QTemporaryDir>
#include <QtGlobal>

class BenchmarkEnvironment {
public:
    BenchmarkEnvironment() {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("X714_DRIVE_C"))
            qputenv("X714_DRIVE_C", m_driveC.path().toLocal8Bit());
    }

private:
    QTemporaryDir m_driveC;
};
