#include "param_list.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

// Longest line examined and longest token kept, as the firmware tools write them.
constexpr qsizetype MaxLine = 2058;
constexpr qsizetype MaxToken = 99;
// A list file is a few tens of kilobytes; anything far larger is not one.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView leftOf(QByteArrayView v, qsizetype n) {
    return v.first(std::min(n, v.size()));
}

// A cursor over one line of the table.
struct LineCursor {
    QByteArrayView line;
    qsizetype pos = 0;

    bool atEnd() const { return pos >= line.size(); }
    char peek() const { return atEnd() ? '\0' : line[pos]; }
    void skip(auto&& pred) {
        while (!atEnd() && pred(line[pos]))
            ++pos;
    }
    // The text up to the next comma, which is consumed. False (with the rest of the line as the text)
    // when the line has no further comma: the fields after this one are missing.
    bool untilComma(QByteArray& token) {
        const qsizetype comma = line.indexOf(',', pos);
        const qsizetype end = comma < 0 ? line.size() : comma;
        token = leftOf(line.sliced(pos, end - pos), MaxToken).toByteArray();
        pos = comma < 0 ? line.size() : comma + 1;
        return comma >= 0;
    }
};

template <size_t N>
int matchToken(const QByteArray& token, const std::array<std::string_view, N>& names, int count) {
    for (int i = 0; i < count; ++i)
        if (token ==
            QByteArray("e") + QByteArray(names[size_t(i)].data(), qsizetype(names[size_t(i)].size())))
            return i;
    return -1;
}

bool isShortCount(const QByteArray& token) {
    if (token.isEmpty() || token.size() > 4) return false;
    for (char c : token)
        if (c < '0' || c > '9') return false;
    return true;
}

// Fills `item` from one entry line (the cursor just past its "{"). Returns false for the terminating
// entry, whose name is "0".
bool parseEntry(LineCursor& c, TParameterItem& item) {
    QByteArray token;
    c.skip(isBlank);
    bool more = c.untilComma(token);
    if (const int t = matchToken(token, ParamTypeNames, 6); t >= 0) item.Type = int8_t(t);
    if (!more) return true;

    c.skip([](char ch) { return isBlank(ch) || ch == '&'; });
    more = c.untilComma(token);
    item.Name = QString::fromLatin1(token);
    if (token == "0") return false;
    if (!more) return true;

    c.skip(isBlank);
    more = c.untilComma(token);
    if (const int b = matchToken(token, ParamBankNames, 3); b >= 0) item.Bank = int8_t(b);
    if (!more) return true;

    // The size field is not used.
    c.skip(isBlank);
    if (!c.untilComma(token)) return true;

    c.skip(isBlank);
    const qsizetype start = c.pos;
    c.skip([](char ch) { return ch != ' ' && ch != '}'; });
    token = leftOf(c.line.sliced(start, c.pos - start), MaxToken).toByteArray();
    if (isShortCount(token)) {
        item.Elements = int16_t(token.toInt());
        item.ElementsText.clear();
        return true;
    }
    // A symbolic or long count: everything up to the closing brace, without the blanks before it.
    c.skip([](char ch) { return ch != '}'; });
    QByteArray text = leftOf(c.line.sliced(start, c.pos - start), MaxToken).toByteArray();
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    item.Elements = -1;
    item.ElementsText = QString::fromLatin1(text);
    return true;
}

} // namespace

QString ParamTypeName(int type) {
    if (type < 0 || type >= int(ParamTypeNames.size())) return {};
    const std::string_view n = ParamTypeNames[size_t(type)];
    return QString::fromLatin1(n.data(), qsizetype(n.size()));
}

QString ParamBankName(int bank) {
    if (bank < 0 || bank >= int(ParamBankNames.size())) return {};
    const std::string_view n = ParamBankNames[size_t(bank)];
    return QString::fromLatin1(n.data(), qsizetype(n.size()));
}

TParameterListRead ParseParameterList(const QByteArray& text) {
    TParameterListRead result;
    bool inTable = false;
    qsizetype at = 0;
    while (at < text.size() && result.Entries < ParameterCount) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0) end = text.size();
        QByteArrayView line = QByteArrayView(text).sliced(at, end - at);
        at = end + 1;
        if (line.endsWith('\r')) line.chop(1);
        line = leftOf(line, MaxLine);
        if (!inTable) {
            inTable = line.startsWith("TParameter");
            continue;
        }
        LineCursor c{line};
        c.skip(isBlank);
        if (c.peek() != '{') continue;
        ++c.pos;
        if (!parseEntry(c, result.List.Items[size_t(result.Entries)])) break;
        ++result.Entries;
    }
    return result;
}

TParameterListRead ReadParameterListFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) return {};
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly)) {
        TParameterListRead result;
        result.Error = TReadError{name, 0, QStringLiteral("cannot be opened: %1").arg(file.errorString())};
        return result;
    }
    if (file.size() > MaxFileSize) {
        TParameterListRead result;
        result.Error = TReadError{name, 0, QStringLiteral("is too large for a parameter list")};
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        TParameterListRead result;
        result.Error = TReadError{name, 0, QStringLiteral("cannot be read: %1").arg(file.errorString())};
        return result;
    }
    return ParseParameterList(bytes);
}
