#include "param_transfer.h"

#include "clock.h"

#include <QFileInfo>
#include <algorithm>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

QString hex2(int v) {
    return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

// The bench's value text: up to its terminating zero byte, without a line end.
QByteArray replyValue(const TRxPacket& packet) {
    QByteArray text = packet.Bytes();
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0) text.truncate(zero);
    const qsizetype lf = text.indexOf('\n');
    if (lf >= 0) text.truncate(lf);
    while (text.endsWith('\r'))
        text.chop(1);
    return text;
}

} // namespace

// ------------------------------------------------------------------ the file

TTransferRead ParseTransferText(const QByteArray& text, const QString& name) {
    TTransferRead r;
    auto refuse = [&](int line, const char* errorText, const QString& reason) {
        r.Entries.clear();
        r.ErrorText = QString::fromLatin1(errorText);
        r.Error = {name, line, reason};
        return r;
    };
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    for (int i = 0; i < int(lines.size()); ++i) {
        const QByteArray& line = lines[i];
        if (std::all_of(line.begin(), line.end(), isBlank)) continue;
        if (!line.startsWith("// "))
            return refuse(i + 1, " Start != //  ", QStringLiteral("a parameter must begin with \"// \""));
        qsizetype end = 3;
        while (end < line.size() && !isBlank(line[end]))
            ++end;
        const QByteArray numberText = line.mid(3, end - 3);
        bool ok = false;
        const int number = numberText.toInt(&ok);
        // Only the low 16 bits go to the bench: a larger number would write another parameter.
        if (!ok || number < 0 || number > 0xFFFF)
            return refuse(i + 1, " Error ParamNo ",
                          QStringLiteral("'%1' is not a parameter number (0 to 65535)")
                              .arg(QString::fromLatin1(numberText)));
        if (i + 1 >= int(lines.size()))
            return refuse(i + 1, " No Param data ",
                          QStringLiteral("parameter %1 has no value line").arg(number));
        QByteArray value;
        for (char c : lines[i + 1])
            if (!isBlank(c)) value.append(c);
        if (value.size() > MaxTransferValueLength || value.contains('\0'))
            return refuse(i + 2, " Param data too long ",
                          value.contains('\0')
                              ? QStringLiteral("the value of parameter %1 holds a zero byte").arg(number)
                              : QStringLiteral("the value of parameter %1 is longer than %2 characters")
                                    .arg(number)
                                    .arg(MaxTransferValueLength));
        TTransferEntry e;
        e.Line = i + 1;
        e.Number = number;
        e.Name = QString::fromLatin1(line.mid(end)).trimmed();
        e.Value = value;
        r.Entries.push_back(e);
        ++i;
    }
    return r;
}

TTransferRead ReadTransferFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        TTransferRead r;
        r.ErrorText = QStringLiteral(" File Error ");
        r.Error = {path, 0, QStringLiteral("cannot be opened: %1").arg(file.errorString())};
        return r;
    }
    return ParseTransferText(file.readAll(), QFileInfo(path).fileName());
}

QByteArray UploadValueLine(const QByteArray& value) {
    QByteArray line("  ");
    for (char c : value) {
        line.append(c);
        if (c == ',') line.append('\t');
    }
    return line + ' ';
}

QByteArray UploadHeaderLine(int number, const QString& name) {
    return "// " + QByteArray::number(number) + ' ' + name.toLatin1() + ' ';
}

// ------------------------------------------------------------------ the state machine

TParamTransfer::~TParamTransfer() {
    closeFiles();
}

void TParamTransfer::showState(const QString& text) {
    m_stateText = text;
    m_out.ShowState(text);
}

QString TParamTransfer::time() const {
    return QStringLiteral("%1").arg(Clock().Seconds() - m_runStart, 10);
}

void TParamTransfer::trace(const QString& line) {
    if (!m_trace || !m_trace->IsOpen()) return;
    // A trace that stops being written ends the run like one that cannot be created.
    if (!m_trace->WriteLine(line, nullptr)) fail(QStringLiteral(" Try File Error "));
}

bool TParamTransfer::openTrace() {
    m_trace = std::make_unique<TTraceFile>(TracePath);
    return m_trace->Open(nullptr);
}

void TParamTransfer::fail(const QString& reason) {
    if (m_failed) return;
    m_failed = true;
    m_errorText = reason;
}

void TParamTransfer::closeFiles() {
    if (m_paramFile.isOpen()) m_paramFile.close();
    if (m_trace) m_trace->Close();
}

void TParamTransfer::Start(Mode mode, QString* lastParameter) {
    if (m_state > 0) return;
    m_mode = mode;
    m_failed = m_aborted = false;
    m_errorText.clear();
    m_benchIndex = 0;
    m_attemptCount = 0;
    m_skip = m_repeat = false;
    m_fileError.clear();
    m_out.ShowParam(QString());
    m_runStart = Clock().Seconds();
    if (mode == Mode::Download) {
        m_state = 6;
        showState(QStringLiteral("Download in progress"));
    } else {
        bool ok = false;
        const int last = lastParameter ? lastParameter->trimmed().toInt(&ok) : 0;
        if (ok && last >= 0 && last <= 0xFFFF) {
            m_maxParameters = last;
        } else {
            m_maxParameters = DefaultMaxParameters;
            if (lastParameter) *lastParameter = QStringLiteral("400");
        }
        showState(QStringLiteral("Upload in progress"));
        m_paramIndex = 0;
        m_state = 1;
    }
    m_out.SetStartEnabled(false);
    run();
}

void TParamTransfer::Cancel() {
    m_aborted = true;
    run();
}

void TParamTransfer::Tick() {
    run();
}

void TParamTransfer::Reply(int bench, const TRxPacket& packet) {
    if (m_state <= 0 || bench != m_benchIndex) return;
    if (packet.Code == 0x49) m_replyText = replyValue(packet);
    run();
}

void TParamTransfer::Refused(int bench, uint8_t code, uint8_t errorCode) {
    if (m_state <= 0 || bench != m_benchIndex) return;
    if (code == 0x55 && (errorCode == 4 || errorCode == 2)) {
        m_skip = true;
    } else if (++m_attemptCount > MaxAttempts) {
        fail(QStringLiteral(" Nak command $ ") + hex2(code) + QLatin1Char(' ') + hex2(errorCode));
    } else {
        m_repeat = true;
    }
    run();
}

void TParamTransfer::TimedOut(int bench, uint8_t code) {
    if (m_state <= 0 || bench != m_benchIndex) return;
    if (++m_attemptCount > MaxAttempts) {
        trace(QStringLiteral("Timeout error "));
        fail(QStringLiteral(" Timeout command $ ") + hex2(code));
    } else {
        m_repeat = true;
        trace(QStringLiteral("Timeout, repeat command Time = %1 ").arg(time()));
    }
    run();
}

void TParamTransfer::run() {
    m_out.StopTimer();
    if (m_failed || m_aborted) m_state = 14;
    if (m_benchIndex >= 4) {
        m_state = 0;
        m_out.SetStartEnabled(true);
        return;
    }
    if (m_state == 0) return;
    step();
}

void TParamTransfer::step() {
    const int b = m_benchIndex;
    const auto number = [](int n) { return uint16_t(n & 0xFFFF); };
    switch (m_state) {
    // ---------------------------------------------------------------- upload
    case 1: {
        if (!BenchWanted[size_t(b)]) {
            m_state = 14;
            return again();
        }
        const QString& path = ParamFilePath[size_t(b)];
        if (QFileInfo::exists(path) && !m_out.ConfirmOverwrite(path)) {
            m_aborted = true;
            m_state = 14;
            return again();
        }
        m_paramFile.setFileName(path);
        if (path.isEmpty() || !m_paramFile.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
            fail(QStringLiteral(" File Error "));
            m_state = 14;
            return again();
        }
        if (!openTrace()) {
            m_paramFile.close();
            fail(QStringLiteral(" Try File Error "));
            m_state = 14;
            return again();
        }
        trace(QStringLiteral("CalLoadState = eReadyForULoad "));
        m_attemptCount = 0;
        m_paramIndex = 0;
        m_transferred = 0;
        m_skip = m_repeat = false;
        m_state = m_failed ? 14 : 2;
        return again();
    }
    case 2:
    case 4: {
        const QString name = m_state == 2 ? QStringLiteral("eLoadParamU") : QStringLiteral("eReadParamU");
        if (m_paramIndex > m_maxParameters) {
            trace(QStringLiteral("CalLoadState = %1, CurrentParamIndex > MaxParameters, Time = %2 ")
                      .arg(name, time()));
            m_state = 14;
            return again();
        }
        trace(QStringLiteral("CalLoadState = %1, CurrentParamIndex = %2, Time = %3 ")
                  .arg(name)
                  .arg(m_paramIndex)
                  .arg(time()));
        if (m_failed) return run();
        m_out.ShowParam(QString::number(m_paramIndex));
        if (m_state == 2) {
            m_state = 3;
            m_out.LoadParameter(b, number(m_paramIndex));
        } else {
            m_state = 5;
            m_out.ReadParameter(b, number(m_paramIndex));
        }
        return;
    }
    case 3:
        if (m_repeat) {
            trace(QStringLiteral("CalLoadState = eLoadParamUAck, RepeatCommand, Time = %1 ").arg(time()));
            m_repeat = false;
            m_state = 2;
        } else if (m_skip) {
            trace(QStringLiteral("CalLoadState = eLoadParamUAck, SkipParamRead, Time = %1 ").arg(time()));
            m_skip = false;
            ++m_paramIndex;
            m_state = 2;
        } else {
            trace(QStringLiteral("CalLoadState = eLoadParamUAck, go to eReadParamU, Time = %1 ").arg(time()));
            m_attemptCount = 0;
            m_state = 4;
        }
        return again();
    case 5: {
        if (m_repeat) {
            trace(QStringLiteral("CalLoadState = eReadParamUAck, RepeatCommand, Time = %1 ").arg(time()));
            m_repeat = false;
            m_state = 4;
            return again();
        }
        const QString name = m_out.ParameterName(m_paramIndex);
        const QByteArray header = UploadHeaderLine(m_paramIndex, name);
        const QByteArray value = UploadValueLine(m_replyText);
        const QByteArray lines = header + "\r\n" + value + "\r\n";
        if (m_paramFile.write(lines) != lines.size() || !m_paramFile.flush()) {
            fail(QStringLiteral(" File Error "));
            m_state = 14;
            return again();
        }
        ++m_transferred;
        trace(QStringLiteral("CalLoadState = eReadParamUAck, Time = %1").arg(time()));
        trace(QStringLiteral("%1, Time = %2 ").arg(QString::fromLatin1(header.chopped(1)), time()));
        trace(QStringLiteral("%1, Time = %2 ").arg(QString::fromLatin1(value.chopped(1)), time()));
        m_attemptCount = 0;
        ++m_paramIndex;
        m_state = 2;
        return again();
    }
    // ---------------------------------------------------------------- download
    case 6: {
        if (!BenchWanted[size_t(b)]) {
            m_state = 14;
            return again();
        }
        const QString& path = ParamFilePath[size_t(b)];
        // The whole file is read and checked first, so a bad pair cannot leave a bench half written.
        const TTransferRead file =
            path.isEmpty() || !QFileInfo(path).isFile()
                ? TTransferRead{{}, QStringLiteral(" File Error "), path, 0, QStringLiteral("does not exist")}
                : ReadTransferFile(path);
        if (file.ErrorText == QLatin1String(" File Error ")) {
            m_fileError = file.Error.Text();
            fail(file.ErrorText);
            m_state = 14;
            return again();
        }
        if (!openTrace()) {
            fail(QStringLiteral(" Try File Error "));
            m_state = 14;
            return again();
        }
        if (!file.Ok()) {
            m_fileError = file.Error.Text();
            trace(QStringLiteral("Download file refused: %1").arg(m_fileError));
            fail(file.ErrorText);
            m_state = 14;
            return again();
        }
        m_entries = file.Entries;
        m_next = 0;
        m_transferred = 0;
        m_repeat = false;
        m_attemptCount = 0;
        m_state = 7;
        return again();
    }
    case 7:
        if (m_next >= m_entries.size()) {
            m_state = 14;
            return again();
        }
        m_fileParam = m_entries[m_next].Number;
        m_valueText = m_entries[m_next].Value;
        ++m_next;
        m_attemptCount = 0;
        m_state = 8;
        return again();
    case 8:
        m_state = 9;
        m_out.ShowParam(QString::number(m_fileParam));
        if (!m_out.WriteParameter(b, number(m_fileParam), m_valueText)) {
            fail(QStringLiteral(" Param data too long "));
            return run();
        }
        return;
    case 9:
        m_state = m_repeat ? 8 : 10;
        m_repeat = false;
        return again();
    case 10:
        m_state = 11;
        m_out.ReadParameter(b, number(m_fileParam));
        return;
    case 11:
        if (m_repeat) {
            m_repeat = false;
            m_state = 10;
        } else if (m_replyText == m_valueText) {
            // The whole read-back must equal the value: a shorter or empty one is no confirmation.
            m_attemptCount = 0;
            m_state = 12;
        } else if (++m_attemptCount <= MaxAttempts) {
            m_state = 8;
        } else {
            fail(QStringLiteral(" Param write != Param Read "));
            m_state = 14;
        }
        return again();
    case 12:
        m_state = 13;
        m_out.StoreParameter(b, number(m_fileParam));
        return;
    case 13:
        if (m_repeat) {
            m_repeat = false;
            m_state = 12;
        } else {
            ++m_transferred;
            m_state = 7;
        }
        return again();
    case 14:
        return finishBench();
    default:
        m_state = 0;
        return;
    }
}

void TParamTransfer::finishBench() {
    closeFiles();
    const QString mode = m_mode == Mode::Download ? QStringLiteral(" Download") : QStringLiteral(" Upload");
    if (m_failed) {
        showState(QStringLiteral("Error ") + mode + QStringLiteral(" Fail ") +
                  QString::number(m_benchIndex + 1) + m_errorText);
        m_state = 0;
        m_out.SetStartEnabled(true);
        return;
    }
    if (m_aborted) {
        showState(QStringLiteral("Aborted ") + mode);
        m_state = 0;
        m_out.SetStartEnabled(true);
        return;
    }
    if (++m_benchIndex >= 4) {
        showState(QStringLiteral(" Successful ") + mode);
        m_state = 0;
        m_out.SetStartEnabled(true);
        return;
    }
    showState(QStringLiteral("Done ") + QString::number(m_benchIndex));
    m_state = m_mode == Mode::Upload ? 1 : 6;
    again();
}
