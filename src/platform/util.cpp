#include "util.h"

#include "clock.h"

QByteArray TextLineBytes(const QString& text) {
    QByteArray bytes = text.isEmpty() ? QByteArray(" ") : text.toLocal8Bit();
    bytes.append("\r\n");
    return bytes;
}

bool WriteTextLine(QIODevice& file, const QString& text) {
    const QByteArray bytes = TextLineBytes(text);
    return file.write(bytes) == bytes.size();
}

bool WriteAllBytes(QFileDevice& file, const QByteArray& bytes, qint64* written, QString* reason) {
    qint64 done = 0;
    while (done < bytes.size()) {
        // A write that stops short sets no error; the next one, with nothing accepted, tells why.
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            if (written) *written = done;
            if (reason) {
                *reason = file.errorString();
                if (file.error() == QFileDevice::NoError || reason->isEmpty())
                    *reason = QStringLiteral("the file took no more data");
            }
            return false;
        }
        done += n;
    }
    if (written) *written = done;
    return true;
}

int ReadTextLine(QIODevice& file, QString& text) {
    text.clear();
    QByteArray piece;
    char c = 0;
    bool sawAny = false;
    while (piece.size() < MaxTextLinePiece && file.getChar(&c)) {
        sawAny = true;
        if (c == '\n') break;
        if (c == '\r') {
            char next = 0;
            if (file.getChar(&next) && next != '\n') file.ungetChar(next);
            break;
        }
        piece.append(c);
    }
    if (!sawAny) return -1;
    if (piece.size() == MaxTextLinePiece) {
        // A line of exactly the piece length: take its line end now so that no empty piece follows.
        char next = 0;
        if (file.getChar(&next)) {
            if (next == '\r') {
                char lf = 0;
                if (file.getChar(&lf) && lf != '\n') file.ungetChar(lf);
            } else if (next != '\n') {
                file.ungetChar(next);
            }
        }
    }
    if (piece == " ") return 0;
    text = QString::fromLocal8Bit(piece);
    return static_cast<int>(text.size());
}

void WaitSeconds(int n) {
    IClock& clock = Clock();
    const qint64 until = clock.Seconds() + n;
    while (clock.Seconds() < until)
        clock.Sleep(20);
}
