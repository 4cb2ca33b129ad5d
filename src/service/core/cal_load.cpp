#include "cal_load.h"

#include <QFileInfo>
#include <QList>

namespace {
constexpr int ShortStepMs = 500;
constexpr int SerialReadMs = 2000;
constexpr int CommandMs = 4000;

QString text(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}
} // namespace

bool CalValuesMatch(const std::vector<float>& expected, const QByteArray& readBack, double tolerance) {
    const QList<QByteArray> pieces = readBack.split(',');
    if (qsizetype(expected.size()) > pieces.size()) return false;
    for (size_t i = 0; i < expected.size(); ++i) {
        bool ok = false;
        const double read = pieces[qsizetype(i)].trimmed().toDouble(&ok);
        if (!ok) return false;
        const double a = double(float(read));
        const double v = double(expected[i]);
        if (!(a - tolerance <= v && v <= a + tolerance)) return false;
    }
    return true;
}

TCalLoadMachine::TCalLoadMachine(ICalLoadOutput& output) : m_out(output) {}

TCalLoadMachine::~TCalLoadMachine() {
    if (m_traceOpen) m_out.CloseTrace();
}

QString TCalLoadMachine::StateName(int state) {
    if (state < 0 || state >= int(CalLoadStateNames.size())) return {};
    const std::string_view n = CalLoadStateNames[size_t(state)];
    return QString::fromLatin1(n.data(), qsizetype(n.size()));
}

void TCalLoadMachine::SetLoadMode(bool load) {
    if (!m_running) m_loadMode = load;
}

void TCalLoadMachine::SetCalFilePath(int bench, const QString& path) {
    if (bench >= 0 && bench < 4) m_calFilePath[size_t(bench)] = path;
}

QString TCalLoadMachine::CalFilePath(int bench) const {
    return bench >= 0 && bench < 4 ? m_calFilePath[size_t(bench)] : QString();
}

bool TCalLoadMachine::Start() {
    if (m_running) return false;
    m_failed = m_aborted = false;
    m_fileProblem = false;
    m_result.reset();
    // A new run starts every parameter afresh, whatever the last run left (an attempt count above
    // zero would make the first block skip its read from the file).
    m_attempts = 0;
    m_coPass = 0;
    m_benchIndex = 0;
    m_state = ReadyForCalLoad;
    m_running = true;
    step(false);
    return true;
}

void TCalLoadMachine::Cancel() {
    // Idle, there is nothing to end; a stray reply must not find the machine in its last state.
    if (m_state == Idle) return;
    m_state = CalLoadEnd;
    m_aborted = true;
}

void TCalLoadMachine::Tick() {
    step(false);
}

void TCalLoadMachine::Reply() {
    step(false);
}

void TCalLoadMachine::Refused() {
    step(true);
}

void TCalLoadMachine::step(bool refused) {
    if (m_inStep) {
        m_pendingStep = refused || m_pendingStep.value_or(false);
        return;
    }
    if (!m_running) {
        // Idle: a stray tick or reply has nothing to act on.
        m_out.StopTimer();
        return;
    }
    m_inStep = true;
    if (refused) {
        m_failed = true;
        m_state = CalLoadEnd;
    } else if (m_failed || m_aborted) {
        m_state = CalLoadEnd;
    }
    m_out.StopTimer();
    if (m_benchIndex >= 4) {
        // Every bench was passed over: no box was checked.
        endRun(TCalLoadResult::NoBench);
    } else if (m_state != Idle) {
        execute();
    }
    m_inStep = false;
    if (m_pendingStep) {
        const bool pendingRefused = *m_pendingStep;
        m_pendingStep.reset();
        step(pendingRefused);
    }
}

void TCalLoadMachine::next(int state, int ms) {
    m_out.ShowState(StateName(m_state));
    m_state = state;
    m_out.StartTimer(ms);
}

void TCalLoadMachine::trace(const QString& line) {
    if (!m_traceOpen) return;
    QString error;
    if (m_out.TraceLine(line, &error)) return;
    m_out.CloseTrace();
    m_traceOpen = false;
    fail(error, true);
}

void TCalLoadMachine::fail(const QString& problem, bool fileProblem) {
    m_failed = true;
    m_fileProblem = m_fileProblem || fileProblem;
    if (!problem.isEmpty()) m_out.ReportProblem(problem);
}

void TCalLoadMachine::endRun(TCalLoadResult result) {
    m_state = Idle;
    m_running = false;
    m_cal.reset();
    m_result = result;
    m_out.RunEnded(result);
}

void TCalLoadMachine::takeBlock(const TCalValues& block) {
    m_valuesText = block.Text();
    m_blockValues = block.Values;
}

void TCalLoadMachine::write(uint16_t number, const QByteArray& value) {
    if (!m_out.SendWrite(m_benchIndex, number, value))
        fail(QStringLiteral("The value of parameter %1 cannot be sent to bench %2: %3 characters")
                 .arg(number)
                 .arg(m_benchIndex + 1)
                 .arg(value.size()),
             false);
}

bool TCalLoadMachine::check(const std::vector<float>& expected, double tolerance, int retry, int pass) {
    trace(QString::asprintf("CheckValues: numVals=%d, fltVals[0]=%6.2f, strngVals=%s ", int(expected.size()),
                            expected.empty() ? 0.0 : double(expected.front()), m_paramReadText.constData()));
    if (CalValuesMatch(expected, m_paramReadText, tolerance)) {
        trace(text(m_paramReadText) + QStringLiteral(" Check %1 ").arg(m_attempts));
        m_attempts = 0;
        next(pass, ShortStepMs);
        return true;
    }
    ++m_attempts;
    if (m_loadMode && m_attempts < CalMaxAttempts) {
        trace(text(m_paramReadText) + QStringLiteral(" Check %1 ").arg(m_attempts));
    } else {
        trace(text(m_paramReadText) + QStringLiteral(" Check *** ERROR *** "));
        fail({}, false);
    }
    next(retry, ShortStepMs);
    return false;
}

void TCalLoadMachine::execute() {
    const int bench = m_benchIndex;
    const bool load = m_loadMode;
    const QString writeOrFile = load ? QStringLiteral("Write ") : QStringLiteral("File ");
    switch (m_state) {
    case ReadyForCalLoad: {
        m_processing = m_out.BenchChecked(bench);
        if (!m_processing) {
            next(CalLoadEnd, ShortStepMs);
            break;
        }
        const QString path = m_calFilePath[size_t(bench)];
        QString error;
        if (path.isEmpty()) {
            fail(QStringLiteral("No calibration file was chosen for bench %1.").arg(bench + 1), true);
        } else if (auto read = ReadCalFile(path); std::holds_alternative<TReadError>(read)) {
            fail(std::get<TReadError>(read).Text(), true);
        } else if (!m_out.OpenTrace(&error)) {
            fail(error, true);
        } else {
            m_cal = std::get<TCalFile>(std::move(read));
            m_traceOpen = true;
            trace(QStringLiteral("Started Download "));
        }
        next(m_failed ? CalLoadEnd : ReadFileSerialNum, ShortStepMs);
        break;
    }
    case ReadFileSerialNum:
        m_serialText = m_cal->Serial;
        trace(QStringLiteral("eReadFileSerialNum "));
        next(SerialNumberRead, ShortStepMs);
        break;
    case SerialNumberRead:
        m_out.SendRead(bench, CalSerialParameter);
        trace(QStringLiteral("eSerialNumberRead "));
        next(SerialNumberReadAck, SerialReadMs);
        break;
    case SerialNumberReadAck:
        m_tempIndex = 0;
        m_tableIndex = 0;
        m_cellTempText.clear();
        m_detTempText.clear();
        m_pressText.clear();
        m_cellTemps.clear();
        m_detTemps.clear();
        m_pressures.clear();
        trace(QStringLiteral("eSerialNumberReadAck "));
        next(ReadTemp, ShortStepMs);
        break;
    case ReadTemp: {
        if (m_tempIndex >= TCalFile::Points) {
            trace(QStringLiteral("eReadTemp CurrentTempIndex >= 4 "));
            next(ParamTempDetWrite, ShortStepMs);
            break;
        }
        const TCalValues& point = m_cal->Temperatures[size_t(m_tempIndex)];
        const QByteArray separator = m_tempIndex < TCalFile::Points - 1 ? QByteArray(",") : QByteArray();
        m_cellTempText += point.Tokens[0] + separator;
        m_detTempText += point.Tokens[1] + separator;
        m_pressText += point.Tokens[2] + separator;
        m_cellTemps.push_back(point.Values[0]);
        m_detTemps.push_back(point.Values[1]);
        m_pressures.push_back(point.Values[2]);
        ++m_tempIndex;
        m_blockIndex = 0;
        trace(QStringLiteral("eReadTemp CurrentTempIndex < 4 "));
        trace(text(m_detTempText) + QLatin1Char(' '));
        trace(text(m_cellTempText) + QLatin1Char(' '));
        trace(text(m_pressText) + QLatin1Char(' '));
        next(ReadSpanInterPolyCoeff, ShortStepMs);
        break;
    }
    case ReadSpanInterPolyCoeff:
        if (m_blockIndex >= TCalFile::SpanBlocksPerPoint || m_tableIndex >= TCalFile::SpanBlocks) {
            trace(QStringLiteral("eReadSpanInterPolyCoeff CurrentSpanInterPolyIndex >= 9 "));
            next(ReadTemp, ShortStepMs);
            break;
        }
        trace(QStringLiteral("eReadSpanInterPolyCoeff CurrentSpanInterPolyIndex < 9 "));
        if (m_attempts == 0) {
            takeBlock(m_cal->Span[size_t(m_tableIndex)]);
            m_paramNumber = CalSpanParameters[size_t(m_tableIndex)];
        }
        if (load) {
            write(m_paramNumber, m_valuesText);
            trace(text(m_valuesText) + QStringLiteral(" Write "));
            next(ParamStore, CommandMs);
        } else {
            trace(text(m_valuesText) + QStringLiteral(" File "));
            next(ParamLoad, ShortStepMs);
        }
        break;
    case ParamStore:
        m_out.SendStore(bench, m_paramNumber);
        trace(QStringLiteral("%1 Store %2 ").arg(text(m_valuesText)).arg(m_paramNumber));
        next(ParamLoad, CommandMs);
        break;
    case ParamLoad:
        m_out.SendLoad(bench, m_paramNumber);
        trace(QStringLiteral("Param %1 Load").arg(m_paramNumber));
        next(ParamCheck, CommandMs);
        break;
    case ParamCheck:
        if (check(m_blockValues, 0, ReadSpanInterPolyCoeff, ReadSpanInterPolyCoeff)) {
            ++m_blockIndex;
            ++m_tableIndex;
        }
        break;

    case ParamTempDetWrite:
        trace(QStringLiteral("Temp Det "));
        if (load) {
            write(CalDetTempParameter, m_detTempText);
            trace(text(m_detTempText) + QStringLiteral(" Write "));
            next(ParamTempDetStore, CommandMs);
        } else {
            trace(text(m_detTempText) + QStringLiteral("File "));
            next(ParamTempDetLoad, ShortStepMs);
        }
        break;
    case ParamTempDetStore:
        m_out.SendStore(bench, CalDetTempParameter);
        trace(QStringLiteral("Store Temp Det "));
        trace(text(m_detTempText) + QStringLiteral("Store "));
        next(ParamTempDetLoad, CommandMs);
        break;
    case ParamTempDetLoad:
        m_out.SendLoad(bench, CalDetTempParameter);
        trace(QStringLiteral("CalDetTempParam %1 Load").arg(CalDetTempParameter));
        next(ParamTempDetCheck, CommandMs);
        break;
    case ParamTempDetCheck:
        check(m_detTemps, 0, ParamTempDetWrite, ParamTempGasWrite);
        break;

    case ParamTempGasWrite:
        trace(QStringLiteral("Temp Cell "));
        if (load) write(CalCellTempParameter, m_cellTempText);
        trace(text(m_cellTempText) + writeOrFile);
        next(load ? ParamTempGasStore : ParamTempGasLoad, load ? CommandMs : ShortStepMs);
        break;
    case ParamTempGasStore:
        m_out.SendStore(bench, CalCellTempParameter);
        trace(QStringLiteral("Store Temp Cell "));
        trace(text(m_cellTempText) + QStringLiteral("Store "));
        next(ParamTempGasLoad, CommandMs);
        break;
    case ParamTempGasLoad:
        m_out.SendLoad(bench, CalCellTempParameter);
        next(ParamTempGasCheck, CommandMs);
        break;
    case ParamTempGasCheck:
        check(m_cellTemps, 0, ParamTempGasWrite, ParamPressWrite);
        break;

    case ParamPressWrite:
        trace(QStringLiteral("Pressure "));
        if (load) write(CalPressureParameter, m_pressText);
        trace(text(m_pressText) + writeOrFile);
        next(load ? ParamPressStore : ParamPressLoad, load ? CommandMs : ShortStepMs);
        break;
    case ParamPressStore:
        m_out.SendStore(bench, CalPressureParameter);
        trace(QStringLiteral("Store Press "));
        trace(text(m_pressText) + QStringLiteral("Store "));
        next(ParamPressLoad, CommandMs);
        break;
    case ParamPressLoad:
        m_out.SendLoad(bench, CalPressureParameter);
        next(ParamPressCheck, CommandMs);
        break;
    case ParamPressCheck:
        check(m_pressures, CalPressureTolerance, ParamPressWrite, GetZeroTempCoeff);
        break;

    case GetZeroTempCoeff:
        if (m_attempts == 0) {
            takeBlock(m_cal->ZeroTemp);
            trace(QStringLiteral("Zero Temp Coeff "));
        }
        if (load) write(CalZeroTempParameter, m_valuesText);
        trace(text(m_valuesText) + writeOrFile);
        next(load ? ParamZeroTempCoeffStore : ParamZeroTempCoeffLoad, load ? CommandMs : ShortStepMs);
        break;
    case ParamZeroTempCoeffStore:
        m_out.SendStore(bench, CalZeroTempParameter);
        trace(QStringLiteral("Store ZeroTempCoeff "));
        trace(text(m_valuesText) + QStringLiteral("Store "));
        next(ParamZeroTempCoeffLoad, CommandMs);
        break;
    case ParamZeroTempCoeffLoad:
        m_out.SendLoad(bench, CalZeroTempParameter);
        next(ParamZeroTempCoeffCheck, CommandMs);
        break;
    case ParamZeroTempCoeffCheck:
        if (check(m_blockValues, 0, GetZeroTempCoeff, GetCOPolyCoeff)) m_coPass = 0;
        break;

    case GetCOPolyCoeff:
        m_paramNumber = CalCoParameters[size_t(m_coPass)];
        if (m_attempts == 0) {
            takeBlock(m_cal->Co[size_t(m_coPass)]);
            trace(QStringLiteral("CO Poly Coeff "));
        }
        if (load) write(m_paramNumber, m_valuesText);
        trace(text(m_valuesText) + writeOrFile);
        next(load ? COPolyCoeffStore : COPolyCoeffLoad, load ? CommandMs : ShortStepMs);
        break;
    case COPolyCoeffStore:
        m_out.SendStore(bench, m_paramNumber);
        trace(QStringLiteral("Store COPolyCoeff "));
        trace(text(m_valuesText) + QStringLiteral("Store "));
        next(COPolyCoeffLoad, CommandMs);
        break;
    case COPolyCoeffLoad:
        m_out.SendLoad(bench, m_paramNumber);
        next(COPolyCoeffCheck, CommandMs);
        break;
    case COPolyCoeffCheck:
        if (check(m_blockValues, 0, GetCOPolyCoeff, m_coPass == 0 ? GetCOPolyCoeff : CalLoadEnd))
            m_coPass = 1;
        break;

    case CalLoadEnd:
        endOfBench();
        break;
    default:
        // Not a state of the table: end the bench rather than stop in mid-air.
        fail({}, false);
        next(CalLoadEnd, ShortStepMs);
        break;
    }
}

void TCalLoadMachine::endOfBench() {
    if (m_traceOpen) {
        m_out.CloseTrace();
        m_traceOpen = false;
    }
    m_out.ShowState(StateName(CalLoadEnd));
    const int number = m_benchIndex + 1;
    if (m_failed) {
        m_out.ShowState(QStringLiteral("Error, Bench %1").arg(number));
        endRun(TCalLoadResult::Error);
    } else if (m_aborted) {
        // Checked before the success: a cancelled run is no success, whatever bench it was on.
        endRun(TCalLoadResult::Cancelled);
    } else if (m_processing) {
        m_out.ShowState((m_loadMode ? QStringLiteral("Download Successful, X714 %1")
                                    : QStringLiteral("Check Successful, X714 %1"))
                            .arg(number));
        endRun(TCalLoadResult::Success);
    } else {
        ++m_benchIndex;
        m_state = ReadyForCalLoad;
        m_out.StartTimer(ShortStepMs);
    }
}
