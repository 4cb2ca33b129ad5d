#include "acquisition.h"

#include "bench.h"
#include "captions.h"
#include "console_requests.h"
#include "dialogs.h"
#include "paths.h"
#include "util.h"

#include <algorithm>

namespace {
const QString InfoCaption = QStringLiteral("Information");
const QString NoLogFileText = QStringLiteral("You must open a LogFile!");

void info(const QString& text) {
    Dialogs().Message(text, InfoCaption, IDialogs::Icon::Information);
}

IDialogs::FileRequest logFileRequest(const QString& caption) {
    IDialogs::FileRequest request;
    request.caption = caption;
    request.filter = QStringLiteral("Log Files|*.LOG");
    request.defaultExt = QStringLiteral("LOG");
    request.initialName = QStringLiteral("*.LOG");
    return request;
}

// The number of samples per mean in AverageEdit: a text starting with a blank counts as 0.
bool parseSamplesPerMean(const QString& text, int* samples) {
    if (text.startsWith(QLatin1Char(' '))) {
        *samples = 0;
        return true;
    }
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 0) return false;
    *samples = value;
    return true;
}
} // namespace

QString TAcquisition::HistoryPath() {
    return DriveCPath(QStringLiteral("history.log"));
}

TAcquisition::TAcquisition(TBenchSet& benches, QObject* parent) : QObject(parent), m_benches(benches) {
    State.Caption = TitleCaption();
    int samples = 4;
    if (parseSamplesPerMean(State.Settings.AverageEdit, &samples)) Averaging.SamplesPerMean = samples;
    RebuildTable();
}

TAcquisition::~TAcquisition() = default;

void TAcquisition::sendDataCommand(TBench& bench, uint8_t rate) {
    bench.SendDataCommand(DataCommandCode(), rate, HcFlag());
}

// ---- acquisition cycle ----

void TAcquisition::OKBtnClick() {
    int samples = 0;
    if (!parseSamplesPerMean(State.Settings.AverageEdit, &samples)) {
        ApplySettings(); // shows why, and changes nothing
        return;
    }
    for (int i = 0; i < 4; ++i)
        if (State.PortOpen[i]) sendDataCommand(m_benches[i], TBench::RateStop);
    ApplySettings();
}

bool TAcquisition::ApplySettings() {
    int samples = 0;
    if (!parseSamplesPerMean(State.Settings.AverageEdit, &samples)) {
        info(QStringLiteral("Number of samples: '%1' is not a whole number").arg(State.Settings.AverageEdit));
        return false;
    }
    if (State.Settings.AverageEdit.startsWith(QLatin1Char(' ')))
        State.Settings.AverageEdit = QStringLiteral("0");
    DataCommand = std::clamp(State.Settings.CompDataRG, 0, int(DataCommandCodes.size()) - 1);
    Averaging.Mode = std::clamp(State.Settings.AveragingRadioGroup, 0, 2);
    Averaging.SamplesPerMean = samples;
    RebuildTable();
    State.Enabled.StopBtn = false;
    State.Enabled.StartBtn = true;
    Running = false;
    emit StateChanged();
    return true;
}

void TAcquisition::StartBtnClick() {
    if (Running) return;
    const bool loggingOn = State.Settings.Logging == Items::LoggingOn;
    if (loggingOn && !m_log.LogOpen()) {
        info(NoLogFileText);
        return;
    }
    Running = true;
    State.Enabled.StartBtn = false;
    AcceptPressed = false;
    State.Enabled.StopBtn = true;
    if (m_log.LogOpen() && loggingOn) {
        m_log.WriteHeader(m_table.RowText(0));
        reportLogFailure();
    }
    m_table.LastActive = 0;
    m_table.ActiveCount = 0;
    for (int i = 0; i < 4; ++i) {
        if (!State.PortOpen[i]) continue;
        sendDataCommand(m_benches[i], TBench::RateContinuous);
        m_table.LastActive = i;
        ++m_table.ActiveCount;
    }
    emit StateChanged();
}

void TAcquisition::StopBtnClick() {
    State.Enabled.StopBtn = false;
    State.Enabled.StartBtn = true;
    Running = false;
    for (int i = 0; i < 4; ++i)
        if (State.PortOpen[i]) sendDataCommand(m_benches[i], TBench::RateStop);
    if (m_log.LogOpen()) {
        m_log.WriteEmptyLine();
        reportLogFailure();
    }
    emit StateChanged();
}

void TAcquisition::ZeroBtnClick() {
    for (int i = 0; i < 4; ++i)
        if (State.PortOpen[i]) m_benches[i].SendZeroCalibration(0);
}

void TAcquisition::SettingsClick() {
    RebuildTable();
    State.Enabled.StopBtn = false;
    State.Enabled.StartBtn = true;
    Running = false;
    emit StateChanged();
}

void TAcquisition::DataRadioClick() {
    State.Enabled.AcceptBtn = State.Settings.DataRadio == Items::DataManual;
    RebuildTable();
    emit StateChanged();
}

void TAcquisition::AcceptBtnClick() {
    AcceptPressed = true;
}

void TAcquisition::RebuildTable() {
    m_table.RebuildTable(State, Averaging);
}

void TAcquisition::OffsetBtnClick() {
    m_table.OffsetBtnClick(State.Settings.Offset);
}

void TAcquisition::DataStep(int /*bench*/) {
    // Rows are paced by the highest-numbered active bench; the others only refresh their values.
    if (!m_benches[m_table.LastActive].NewMainData) return;
    for (TBench& b : m_benches)
        b.NewMainData = false;
    ++RowsBuilt;
    if (m_table.BuildRow(m_benches.Benches, State, Averaging)) offerRowToLog();
}

void TAcquisition::offerRowToLog() {
    if (!m_log.LogOpen() || State.Settings.Logging != Items::LoggingOn) return;
    if (State.Settings.DataRadio == Items::DataManual && !AcceptPressed) return;
    const QString data = m_table.RowText(m_table.MeanRow);
    // The deviations are taken before the row last logged may be copied over them.
    const bool withDeviation = Averaging.Mode == Items::AverageStdev;
    const QString deviation = withDeviation ? m_table.RowText(m_table.StatRow) : QString();
    if (State.Enabled.AcceptBtn) m_table.CopyRowForLog(m_table.MeanRow, m_table.StatRow);
    bool fullNow = false;
    const TMainLog::RowResult result = m_log.WriteRow(data, withDeviation ? &deviation : nullptr, &fullNow);
    if (fullNow) info(QStringLiteral("Log File is full"));
    ++m_table.AcceptCounter;
    AcceptPressed = false;
    emit RowAccepted(result == TMainLog::RowResult::Written);
    if (result == TMainLog::RowResult::Failed) reportLogFailure();
}

void TAcquisition::Timer6Timer() {
    if (State.Closing || State.FirmwareScreenVisible) return;
    if (!m_benches.CheckTimeouts()) return;
    if (!State.ConsoleSendRequest) {
        if (State.Settings.ZeroRG != Items::ZeroAuto) return;
        for (int i = 0; i < 4; ++i) {
            if (!State.BoxActive(i)) continue;
            TBench& b = m_benches[i];
            const uint8_t status = b.Status[0];
            // Normal operation, zero asked for, no process running, no zero already on its way.
            if (status < 0x40 && (status & 0x20) && !(status & 0x10) && !b.Commands[0x02].Awaiting)
                b.SendZeroCalibration(0);
        }
        return;
    }
    for (int i = 0; i < 4; ++i)
        if (State.BoxEnabled[i] && State.SelectedBench == i)
            SendConsoleRequest(m_benches, i, State.ConsoleCommand);
    State.ConsoleSendRequest = false;
    emit StateChanged();
}

// ---- main log file ----

void TAcquisition::setClosedLogState() {
    State.Caption = ClosedLogCaption();
    State.Enabled.CommentBtn = false;
    State.Enabled.Logging = false;
}

bool TAcquisition::reportLogFailure() {
    const QString message = m_log.TakeWriteFailure();
    if (message.isEmpty()) return false;
    // The window shows the closed log while the box is up.
    setClosedLogState();
    emit StateChanged();
    Dialogs().Message(message, InfoCaption, IDialogs::Icon::Error);
    emit LogWriteFailed(message);
    return true;
}

void TAcquisition::NewFileClick() {
    const QString path = Dialogs().SaveFileName(logFileRequest(QStringLiteral("New File")));
    if (path.isEmpty()) {
        State.Enabled.CommentBtn = m_log.LogOpen();
        emit StateChanged();
        return;
    }
    NewFile(path);
}

bool TAcquisition::NewFile(const QString& path) {
    CloseFile1Click();
    if (m_log.Create(path))
        State.Enabled.Logging = true;
    else
        info(QStringLiteral("Problem with log file!"));
    // A creation note that cannot be written closes the file again.
    reportLogFailure();
    State.Enabled.CommentBtn = m_log.LogOpen();
    emit StateChanged();
    return m_log.LogOpen();
}

void TAcquisition::Appendtofile1Click() {
    const QString path = Dialogs().OpenFileName(logFileRequest(QStringLiteral("Append to file")));
    if (path.isEmpty()) {
        State.Enabled.CommentBtn = m_log.LogOpen();
        emit StateChanged();
        return;
    }
    AppendToFile(path);
}

bool TAcquisition::AppendToFile(const QString& path) {
    CloseFile1Click();
    if (m_log.OpenForAppend(path)) {
        State.Caption = AppendedLogCaption(path);
        State.Enabled.Logging = true;
    } else {
        info(QStringLiteral("Problem with log file!"));
    }
    reportLogFailure();
    State.Enabled.CommentBtn = m_log.LogOpen();
    emit StateChanged();
    return m_log.LogOpen();
}

void TAcquisition::CloseFile1Click() {
    if (!m_log.LogOpen()) return;
    m_log.Close();
    setClosedLogState();
    emit StateChanged();
    reportLogFailure();
}

void TAcquisition::LoggingClick() {
    const bool on = State.Settings.Logging == Items::LoggingOn;
    if (on && !m_log.LogOpen()) {
        info(NoLogFileText);
        return;
    }
    if (!on) {
        State.Enabled.DataRadio = false;
        State.Enabled.AcceptBtn = false;
        State.Caption = LoggingCaption(false, m_log.LogFileName, State.UserTitle);
        StopBtnClick();
    } else {
        State.Enabled.DataRadio = true;
        State.Enabled.AcceptBtn = State.Settings.DataRadio == Items::DataManual;
        StopBtnClick();
        State.Caption = LoggingCaption(true, m_log.LogFileName, State.UserTitle);
    }
    RebuildTable();
    emit StateChanged();
}

void TAcquisition::CommentBtnClick(const QStringList& memoLines) {
    if (!m_log.LogOpen()) return;
    m_log.WriteComment(memoLines);
    reportLogFailure();
}

bool TAcquisition::HistoryBtnClick(QStringList* lines) {
    if (m_log.LogOpen() && !m_log.CopyToHistory(HistoryPath())) {
        // The log could not be reopened after the copy: it is closed, and shown as closed.
        setClosedLogState();
        emit StateChanged();
    }
    return TMainLog::ReadHistory(HistoryPath(), lines);
}

void TAcquisition::DeviceLost(int bench, const QString& reason) {
    if (bench < 0 || bench > 3) return;
    TBench& b = m_benches[bench];
    b.AckText = QStringLiteral("Device lost: ") + reason;
    b.AckError = 1;
    b.Host().ShowAckLines();
}

void TAcquisition::Shutdown() {
    State.Closing = true;
    CloseFile1Click();
    for (int i = 0; i < 4; ++i) {
        if (!State.BoxActive(i)) continue;
        sendDataCommand(m_benches[i], TBench::RateStop);
        WaitSeconds(1);
    }
    emit StateChanged();
}

// ---- the bench connections' view of the main window ----

bool TAcquisitionHost::Closing() const {
    return m_acq && m_acq->State.Closing;
}

uint8_t TAcquisitionHost::ConsoleCommand() const {
    return m_acq ? m_acq->State.ConsoleCommand : 0;
}

bool TAcquisitionHost::BenchBoxActive(int bench) const {
    return m_acq && bench >= 0 && bench < 4 && m_acq->State.BoxActive(bench);
}

bool TAcquisitionHost::FirmwareScreenVisible() const {
    return m_acq && m_acq->State.FirmwareScreenVisible;
}

bool TAcquisitionHost::StopBtnEnabled() const {
    return m_acq && m_acq->State.Enabled.StopBtn;
}

void TAcquisitionHost::DataStep(int bench) {
    if (m_acq) m_acq->DataStep(bench);
}
