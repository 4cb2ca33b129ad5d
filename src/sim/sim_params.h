#pragma once

// The parameter table the simulated benches follow (401 parameters, numbers 0 to 400) and the list
// file "ParamLst.c" made from it, in the form of the firmware's own table source that the host's
// parameter screen reads. src/sim/ParamLst.c is this text; a test keeps the two equal.

#include <QByteArray>
#include <QString>

enum class SimParamType { Char, Int, Float, Double, Long, String12 };
enum class SimParamBank { Flash, Ram, Boot };

struct SimParamInfo {
    QString Name;
    SimParamType Type = SimParamType::Int;
    SimParamBank Bank = SimParamBank::Flash;
    int Elements = 0;        // 0 = scalar
    QString ElementsSymbol;  // written instead of the count when not empty
    QByteArray DefaultValue; // value text after power-on of a new bench (serial number aside)
};

// Entry of parameter number 0..400 (a default entry for any other number).
const SimParamInfo& SimParameter(int number);

// The whole list file text, lines ending in line feeds.
QString SimParameterListText();
// Writes the list file (e.g. "ParamLst.c" in the working directory). Returns false with a reason.
bool WriteSimParameterList(const QString& path, QString* error = nullptr);
