#include "paths.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {
QMap<int, QString>& overrides() {
    static QMap<int, QString> map;
    return map;
}
} // namespace

QString DriveCDir() {
    const QString env = qEnvironmentVariable("X714_DRIVE_C");
    if (!env.isEmpty()) return env;
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/x714");
}

QString DriveCPath(const QString& name) {
    const QString dir = DriveCDir();
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

QString ComDevicePath(int comNumber) {
    if (comNumber < 1 || comNumber > 99) return {};
    const auto it = overrides().constFind(comNumber);
    if (it != overrides().constEnd()) return *it;
    const QString link = DriveCDir() + QStringLiteral("/dev/COM%1").arg(comNumber);
    if (QFileInfo(link).isSymLink() || QFileInfo::exists(link)) return link;
    return QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
}

bool SetComPortOverride(int comNumber, const QString& device) {
    if (comNumber < 1 || comNumber > 99) return false;
    overrides().insert(comNumber, device);
    return true;
}

void ClearComPortOverrides() {
    overrides().clear();
}

int ParseComName(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^(?:COM)?([0-9]{1,2})$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch()) return 0;
    const int n = m.captured(1).toInt();
    return n >= 1 && n <= 99 ? n : 0;
}

bool ParsePortOption(const QString& option, QString* error) {
    const qsizetype eq = option.indexOf(QLatin1Char('='));
    const int n = eq > 0 ? ParseComName(option.left(eq)) : 0;
    const QString device = eq > 0 ? option.mid(eq + 1) : QString();
    if (n == 0 || device.isEmpty() ||
        !option.left(eq).startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        if (error)
            *error =
                QStringLiteral("bad port mapping '%1': expected COMn=DEVICE with n from 1 to 99").arg(option);
        return false;
    }
    SetComPortOverride(n, device);
    return true;
}

QString ResolvePortArgument(const QString& text) {
    if (text.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        const int n = ParseComName(text);
        if (n > 0) return ComDevicePath(n);
    }
    return text;
}
