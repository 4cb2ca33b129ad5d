#include "gas_graphs.h"

#include "bench.h"
#include "locale_setup.h"
#include "util.h"

#include <QBuffer>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QStringList>

TGasReadings ReadingsOf(const TBench& bench) {
    return {bench.Co2, bench.Co, bench.Hc, bench.O2, bench.NO};
}

std::array<double, GasCount> ScaleReadings(const TGasReadings& r, bool hcDivisor100) {
    std::array<double, GasCount> v{};
    v[size_t(Gas::Co2)] = r.Co2 / 100.0;
    v[size_t(Gas::Co)] = r.Co / 1000.0;
    v[size_t(Gas::O2)] = r.O2 / 100.0;
    v[size_t(Gas::Ethanol)] = hcDivisor100 ? r.Hc / 100.0 : double(r.Hc);
    v[size_t(Gas::NO)] = double(r.NO);
    return v;
}

QString PointLabelText(int64_t seconds) {
    return Printf("%10lld", static_cast<long long>(seconds));
}

double ParseLimit(const QString& text) {
    bool ok = false;
    const double v = QLocale().toDouble(text.trimmed(), &ok);
    return ok ? v : 0.0;
}

namespace {

// Settings files are a few short lines; anything this big is not one of ours.
constexpr qint64 MaxSettingsFileSize = 64 * 1024;

// Reads the lines of a settings file after checking its separator flag; a file that ends early or
// holds a line longer than any value could be is not one of ours.
struct LineReader {
    QBuffer file;
    int line = 0;
    QString error;

    explicit LineReader(QIODevice& device) {
        const QByteArray bytes = device.read(MaxSettingsFileSize + 1);
        file.setData(bytes);
        file.open(QIODevice::ReadOnly);
        if (bytes.size() > MaxSettingsFileSize) {
            error = QStringLiteral("too big for a settings file");
            return;
        }
        // A line of a piece's length or more would be read in pieces, each taken for a line.
        int from = 0;
        for (int n = 1; from < bytes.size(); ++n) {
            int end = int(bytes.indexOf('\n', from));
            if (end < 0) end = int(bytes.size());
            int length = end - from;
            if (length > 0 && bytes.at(end - 1) == '\r') --length;
            if (length >= MaxTextLinePiece) {
                error = QStringLiteral("line too long");
                line = n;
                return;
            }
            from = end + 1;
        }
    }

    std::optional<QString> next() {
        if (!error.isEmpty()) return std::nullopt;
        QString text;
        ++line;
        if (ReadTextLine(file, text) < 0) {
            error = QStringLiteral("the file ends early");
            return std::nullopt;
        }
        return text;
    }

    bool separatorMatches(bool decimalPointIsDot) {
        const std::optional<QString> flag = next();
        if (!flag) return false;
        if (*flag != QLatin1String(decimalPointIsDot ? "1" : "0")) {
            error = QStringLiteral("written under another decimal separator");
            return false;
        }
        return true;
    }
};

template <typename T> TSettingsRead<T> failed(const LineReader& r) {
    TSettingsRead<T> result;
    result.Error = r.error;
    result.Line = r.line;
    return result;
}

QString flagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

bool writeLines(QIODevice& file, const QStringList& lines) {
    for (const QString& line : lines)
        if (!WriteTextLine(file, line)) return false;
    return true;
}

template <typename T>
TSettingsRead<T> load(const QString& path, bool dot, TSettingsRead<T> (*read)(QIODevice&, bool)) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        TSettingsRead<T> result;
        result.Error = file.errorString();
        return result;
    }
    return read(file, dot);
}

template <typename T>
bool save(const QString& path, const T& settings, bool dot, bool (*write)(QIODevice&, const T&, bool),
          QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !write(file, settings, dot) || !file.commit()) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace

TSettingsRead<TGraph1Settings> ReadGraph1Settings(QIODevice& file, bool decimalPointIsDot) {
    LineReader r(file);
    if (!r.separatorMatches(decimalPointIsDot)) return failed<TGraph1Settings>(r);
    TGraph1Settings s;
    for (bool& channel : s.Channels) {
        const auto text = r.next();
        if (!text) return failed<TGraph1Settings>(r);
        channel = *text == QLatin1String("1");
    }
    for (QString* limit : {&s.LeftMin, &s.LeftMax, &s.RightMin, &s.RightMax}) {
        const auto text = r.next();
        if (!text) return failed<TGraph1Settings>(r);
        *limit = *text;
    }
    TSettingsRead<TGraph1Settings> result;
    result.Settings = s;
    return result;
}

TSettingsRead<TGraph2Settings> ReadGraph2Settings(QIODevice& file, bool decimalPointIsDot) {
    LineReader r(file);
    if (!r.separatorMatches(decimalPointIsDot)) return failed<TGraph2Settings>(r);
    TGraph2Settings s;
    for (TGraph2Settings::Channel& gas : s.Gases) {
        const auto flag = r.next();
        if (!flag) return failed<TGraph2Settings>(r);
        const auto min = r.next();
        if (!min) return failed<TGraph2Settings>(r);
        const auto max = r.next();
        if (!max) return failed<TGraph2Settings>(r);
        gas = {*flag == QLatin1String("1"), *min, *max};
    }
    TSettingsRead<TGraph2Settings> result;
    result.Settings = s;
    return result;
}

bool WriteGraph1Settings(QIODevice& file, const TGraph1Settings& s, bool decimalPointIsDot) {
    QStringList lines{flagText(decimalPointIsDot)};
    for (bool channel : s.Channels)
        lines << flagText(channel);
    lines << s.LeftMin << s.LeftMax << s.RightMin << s.RightMax;
    return writeLines(file, lines);
}

bool WriteGraph2Settings(QIODevice& file, const TGraph2Settings& s, bool decimalPointIsDot) {
    QStringList lines{flagText(decimalPointIsDot)};
    for (const TGraph2Settings::Channel& gas : s.Gases)
        lines << flagText(gas.Checked) << gas.Min << gas.Max;
    return writeLines(file, lines);
}

TSettingsRead<TGraph1Settings> LoadGraph1Settings(const QString& path, bool decimalPointIsDot) {
    return load<TGraph1Settings>(path, decimalPointIsDot, &ReadGraph1Settings);
}

TSettingsRead<TGraph2Settings> LoadGraph2Settings(const QString& path, bool decimalPointIsDot) {
    return load<TGraph2Settings>(path, decimalPointIsDot, &ReadGraph2Settings);
}

bool SaveGraph1Settings(const QString& path, const TGraph1Settings& settings, bool decimalPointIsDot,
                        QString* error) {
    return save<TGraph1Settings>(path, settings, decimalPointIsDot, &WriteGraph1Settings, error);
}

bool SaveGraph2Settings(const QString& path, const TGraph2Settings& settings, bool decimalPointIsDot,
                        QString* error) {
    return save<TGraph2Settings>(path, settings, decimalPointIsDot, &WriteGraph2Settings, error);
}
