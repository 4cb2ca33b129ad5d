#include "cal_file.h"

#include "bench.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

// Zero written in the exponent forms of the factory's tools; the bench is sent a plain 0 instead.
constexpr const char* ZeroTokens[] = {"0.000E0", "0.00e+00", "0.000e+00", "0.0000e+00", "0.00000e+00"};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A decimal number: optional sign, digits with an optional point, optional exponent.
std::optional<double> parseNumber(const QByteArray& t) {
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    int digits = 0;
    while (i < n && t[i] >= '0' && t[i] <= '9')
        ++i, ++digits;
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && t[i] >= '0' && t[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
        int exponentDigits = 0;
        while (i < n && t[i] >= '0' && t[i] <= '9')
            ++i, ++exponentDigits;
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != n) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

struct ValueLine {
    int line = 0;
    QList<QByteArray> tokens;
};

class Reader {
public:
    Reader(const QByteArray& text, QString fileName) : m_text(text), m_file(std::move(fileName)) {}

    std::variant<TCalFile, TReadError> Run() {
        TCalFile cal;
        const std::optional<ValueLine> serial = nextValueLine();
        if (m_error) return *m_error;
        if (!serial) return fail(0, QStringLiteral("holds no serial number and no values"));
        cal.Serial = serial->tokens.value(0).left(TCalFile::MaxSerialLength);
        for (int p = 0; p < TCalFile::Points; ++p) {
            if (!readTemperatures(p, cal.Temperatures[size_t(p)])) return *m_error;
            for (int b = 0; b < TCalFile::SpanBlocksPerPoint; ++b) {
                const QString what =
                    QStringLiteral("span block %1 of temperature point %2").arg(b + 1).arg(p + 1);
                if (!readBlock(what, CalSpanLines, CalSpanValuesPerLine,
                               cal.Span[size_t(p * TCalFile::SpanBlocksPerPoint + b)]))
                    return *m_error;
            }
        }
        if (!readBlock(QStringLiteral("the zero temperature block"), CalZeroLines, CalZeroValuesPerLine,
                       cal.ZeroTemp))
            return *m_error;
        for (int c = 0; c < 2; ++c)
            if (!readBlock(QStringLiteral("CO block %1").arg(c + 1), CalCoLines, CalCoValuesPerLine,
                           cal.Co[size_t(c)]))
                return *m_error;
        return cal;
    }

private:
    TReadError fail(int line, const QString& reason) {
        m_error = TReadError{m_file, line, reason};
        return *m_error;
    }

    // The next line that is not ignored, cut at its comment, split into tokens; nullopt at the end of
    // the file or on a line too long (m_error set).
    std::optional<ValueLine> nextValueLine() {
        while (m_at < m_text.size()) {
            qsizetype end = m_text.indexOf('\n', m_at);
            if (end < 0) end = m_text.size();
            QByteArrayView line = QByteArrayView(m_text).sliced(m_at, end - m_at);
            m_at = end + 1;
            ++m_line;
            if (line.endsWith('\r')) line.chop(1);
            if (line.size() > CalMaxLineLength) {
                fail(m_line, QStringLiteral("the line is longer than %1 characters").arg(CalMaxLineLength));
                return std::nullopt;
            }
            qsizetype first = 0;
            while (first < line.size() && isBlank(line[first]))
                ++first;
            if (first == line.size() || line.startsWith(';') || line[first] == '/' || line[first] == '[')
                continue;
            if (const qsizetype slash = line.indexOf('/'); slash >= 0) line.truncate(slash);
            ValueLine v;
            v.line = m_line;
            qsizetype i = first;
            while (i < line.size()) {
                while (i < line.size() && isBlank(line[i]))
                    ++i;
                const qsizetype start = i;
                while (i < line.size() && !isBlank(line[i]))
                    ++i;
                if (i > start) v.tokens.append(line.sliced(start, i - start).toByteArray());
            }
            return v;
        }
        return std::nullopt;
    }

    // True when no value line follows (the position is kept).
    bool atLastValueLine() {
        const qsizetype at = m_at;
        const int line = m_line;
        const std::optional<TReadError> error = m_error;
        const bool last = !nextValueLine();
        m_at = at;
        m_line = line;
        m_error = error;
        return last;
    }

    bool takeValue(const QByteArray& token, int line, bool zeroReplace, TCalValues& into) {
        if (token.size() > CalMaxTokenLength) {
            fail(line, QStringLiteral("the value '%1' is longer than %2 characters")
                           .arg(QString::fromLatin1(token))
                           .arg(CalMaxTokenLength));
            return false;
        }
        const std::optional<double> v = parseNumber(token);
        if (!v) {
            fail(line, QStringLiteral("'%1' is not a number").arg(QString::fromLatin1(token)));
            return false;
        }
        if (std::fabs(*v) > double(std::numeric_limits<float>::max())) {
            fail(line, QStringLiteral("the value '%1' is out of range").arg(QString::fromLatin1(token)));
            return false;
        }
        bool zero = false;
        if (zeroReplace)
            for (const char* z : ZeroTokens)
                zero = zero || token == z;
        into.Tokens.append(zero ? QByteArray("0") : token);
        into.Values.push_back(float(*v));
        if (into.Line == 0) into.Line = line;
        return true;
    }

    bool readTemperatures(int point, TCalValues& into) {
        const std::optional<ValueLine> v = nextValueLine();
        if (m_error) return false;
        if (!v) {
            fail(m_line,
                 QStringLiteral("the file ends before the temperature line of point %1").arg(point + 1));
            return false;
        }
        if (v->tokens.size() < 3) {
            fail(v->line, QStringLiteral("the temperature line of point %1 needs 3 values, it has %2")
                              .arg(point + 1)
                              .arg(v->tokens.size()));
            return false;
        }
        for (int i = 0; i < 3; ++i)
            if (!takeValue(v->tokens[i], v->line, false, into)) return false;
        return true;
    }

    bool readBlock(const QString& what, int lines, int perLine, TCalValues& into) {
        for (int l = 0; l < lines; ++l) {
            const std::optional<ValueLine> v = nextValueLine();
            if (m_error) return false;
            if (!v) {
                if (l > 0) return checkLength(what, into); // cut short by the end of the file
                fail(m_line, QStringLiteral("the file ends before %1").arg(what));
                return false;
            }
            const bool last = atLastValueLine();
            if (v->tokens.size() < perLine && !last) {
                fail(v->line, QStringLiteral("a line of %1 needs %2 values, it has %3")
                                  .arg(what)
                                  .arg(perLine)
                                  .arg(v->tokens.size()));
                return false;
            }
            for (int i = 0; i < perLine && i < v->tokens.size(); ++i)
                if (!takeValue(v->tokens[i], v->line, true, into)) return false;
            if (last) break;
        }
        return checkLength(what, into);
    }

    // The block's text must fit one parameter write.
    bool checkLength(const QString& what, const TCalValues& block) {
        const qsizetype length = block.Text().size();
        if (length <= TBench::MaxParamValueLength) return true;
        fail(block.Line, QStringLiteral("the values of %1 make a text of %2 characters, more than the %3 "
                                        "a parameter can be sent")
                             .arg(what)
                             .arg(length)
                             .arg(TBench::MaxParamValueLength));
        return false;
    }

    const QByteArray& m_text;
    QString m_file;
    qsizetype m_at = 0;
    int m_line = 0;
    std::optional<TReadError> m_error;
};

} // namespace

QByteArray TCalValues::Text() const {
    return Tokens.join(',');
}

std::variant<TCalFile, TReadError> ParseCalFile(const QByteArray& text, const QString& fileName) {
    return Reader(text, fileName).Run();
}

std::variant<TCalFile, TReadError> ReadCalFile(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.exists()) return TReadError{name, 0, QStringLiteral("does not exist")};
    if (!file.open(QIODevice::ReadOnly))
        return TReadError{name, 0, QStringLiteral("cannot be opened: %1").arg(file.errorString())};
    if (file.size() > MaxFileSize)
        return TReadError{name, 0, QStringLiteral("is too large for a calibration file")};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return TReadError{name, 0, QStringLiteral("cannot be read: %1").arg(file.errorString())};
    return ParseCalFile(bytes, name);
}
