#include "config/Cp1250.h"

#include <QTest>

#include <iconv.h>

class TestCp1250 : public QObject
{
    Q_OBJECT

private slots:
    void everyByteRoundTrips()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        bool ok = false;
        QCOMPARE(cp1250::encode(cp1250::decode(all), &ok), all);
        QVERIFY(ok);
    }

    // glibc's converter is an independent reading of the code page: every
    // byte it defines must decode to the same character here.
    void definedBytesAgreeWithIconv()
    {
        iconv_t cd = iconv_open("UTF-16LE", "CP1250");
        if (cd == iconv_t(-1))
            QSKIP("glibc has no CP1250 converter here");
        int compared = 0;
        for (int b = 0; b < 256; ++b) {
            char in = char(b);
            char16_t out[2] = {};
            char* inp = &in;
            char* outp = reinterpret_cast<char*>(out);
            size_t inLeft = 1, outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == size_t(-1))
                continue; // undefined in the code page
            QCOMPARE(cp1250::decode(QByteArray(1, in)).at(0).unicode(), out[0]);
            ++compared;
        }
        iconv_close(cd);
        QVERIFY(compared >= 251);
    }

    // ASCII runs are widened a word at a time, the rest byte by byte; every
    // cut of a mixed text must read as its bytes do one by one, whatever its
    // length and wherever its letters from 0x80 up fall.
    void longTextsReadAsTheirBytes()
    {
        const QByteArray mixed =
            QByteArray("Notatka nr 17 \x96 za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1. ").repeated(3) +
            QByteArray("\x80\xFF\x81 end");
        for (qsizetype from = 0; from < 20; ++from) {
            for (qsizetype length = 0; from + length <= mixed.size(); ++length) {
                const QByteArray cut = mixed.mid(from, length);
                QString expected;
                for (char b : cut)
                    expected += cp1250::decode(QByteArray(1, b));
                QCOMPARE(cp1250::decode(cut), expected);
            }
        }
    }

    void undefinedBytesMapToC1Controls()
    {
        for (int b : {0x81, 0x83, 0x88, 0x90, 0x98})
            QCOMPARE(cp1250::decode(QByteArray(1, char(b))).at(0).unicode(), char16_t(b));
    }

    void polishCzechHungarianTexts()
    {
        QCOMPARE(cp1250::encode(QStringLiteral("český")), QByteArray::fromHex("E865736BFD"));
        QCOMPARE(cp1250::encode(QStringLiteral("Zażółć gęślą jaźń")),
                 QByteArray::fromHex("5A61BFF3B3E62067EA9C6CB9206A619FF1"));
        QCOMPARE(cp1250::decode(QByteArray::fromHex("F5FB")), QStringLiteral("őű"));
    }

    void unrepresentableIsReported()
    {
        bool ok = true;
        QCOMPARE(cp1250::encode(QStringLiteral("a€ж"), &ok), QByteArray("a\x80?"));
        QVERIFY(!ok);
        QVERIFY(!cp1250::representable(QStringLiteral("日本")));
        QVERIFY(cp1250::representable(QStringLiteral("Łódź")));
    }
};

QTEST_GUILESS_MAIN(TestCp1250)
#include "test_cp1250.moc"
