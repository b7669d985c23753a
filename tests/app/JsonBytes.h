#pragma once
// quennoscan's JSON strings read back as the bytes they stand for: a U+DC80..U+DCFF that
// is not the second half of a surrogate pair is the byte 80..FF; everything else is UTF-8.

#include <QByteArray>
#include <QString>

namespace quenno::test {

inline QByteArray bytesOfJson(const QString& text)
{
    QByteArray out;
    QString run;
    for (const QChar c : text) {
        const bool byte
            = c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF && (run.isEmpty() || !run.back().isHighSurrogate());
        if (!byte) {
            run += c;
            continue;
        }
        out += run.toUtf8();
        run.clear();
        out += static_cast<char>(c.unicode() - 0xDC00);
    }
    return out + run.toUtf8();
}

}  // namespace quenno::test
