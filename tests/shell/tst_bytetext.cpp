// Bytes shown as text come back as the same bytes: a path that is not UTF-8 still names
// its file after it has stood in a text box or a list; UTF-8 shows as UTF-8.

#include "shell/ByteText.h"

#include <QTest>

using quenno::shell::BytesOfText;
using quenno::shell::TextOfBytes;

class TestByteText : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("wellFormed");  // shown exactly as UTF-8 text
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("ASCII path") << QByteArray("/home/user/Scan me/a.exe") << true;
        QTest::newRow("NUL inside") << QByteArray("a\0b", 3) << true;
        QTest::newRow("two-byte letters") << QByteArray("/tmp/caf\xc3\xa9/\xc3\x9f") << true;
        QTest::newRow("three-byte letters") << QByteArray("\xe6\x97\xa5\xe6\x9c\xac.exe") << true;
        QTest::newRow("four-byte sign") << QByteArray("\xf0\x9f\x98\x80.txt") << true;
        QTest::newRow("highest code point") << QByteArray("\xf4\x8f\xbf\xbf") << true;
        QTest::newRow("Latin-1 name") << QByteArray("/tmp/caf\xe9.exe") << false;
        QTest::newRow("lone continuation bytes") << QByteArray("a\x80\xbf"
                                                               "b")
                                                 << false;
        QTest::newRow("every high byte") << [] {
            QByteArray all;
            for (int b = 0x80; b <= 0xff; ++b)
                all.append(static_cast<char>(b));
            return all;
        }() << false;
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << false;
        QTest::newRow("overlong three-byte") << QByteArray("\xe0\x80\xaf") << false;
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << false;
        QTest::newRow("encoded escape surrogate") << QByteArray("\xed\xb3\xa9") << false;
        QTest::newRow("past U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false;
        QTest::newRow("cut sequence at the end") << QByteArray("a\xe6\x97") << false;
        QTest::newRow("cut sequence before ASCII") << QByteArray("\xe6\x97/x") << false;
        QTest::newRow("invalid beside valid") << QByteArray("\xff\xc3\xa9\xfe\xf0\x9f\x98\x80\xfd") << false;
    }

    void roundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, wellFormed);
        const std::string original = bytes.toStdString();
        const QString text = TextOfBytes(original);
        QCOMPARE(BytesOfText(text), original);
        if (wellFormed) {
            QCOMPARE(text, QString::fromUtf8(bytes));
        } else {
            // Shown, not dropped: one character stands for each byte that is not UTF-8.
            QVERIFY(text.size() >= QString::fromUtf8(bytes).size());
            QVERIFY(text != QString::fromUtf8(bytes));
        }
    }

    // Text that never came from bytes (typed, or from a dialog) becomes its UTF-8.
    void typedText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("letters") << QStringLiteral("/tmp/caf\u00e9") << QByteArray("/tmp/caf\xc3\xa9");
        QTest::newRow("pair") << QString::fromUcs4(U"\U0001F600") << QByteArray("\xf0\x9f\x98\x80");
        QTest::newRow("unpaired high surrogate") << QString(QChar(0xD800)) + "x" << QByteArray("?x");
        QTest::newRow("high surrogate before an escaped byte")
            << QString(QChar(0xD83D)) + QChar(0xDCE9) << QByteArray("?\xe9");
        QTest::newRow("low surrogate below the escapes") << QString(QChar(0xDC7F)) << QByteArray("?");
    }

    void typedText()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(BytesOfText(text), bytes.toStdString());
    }
};

QTEST_APPLESS_MAIN(TestByteText)
#include "tst_bytetext.moc"
