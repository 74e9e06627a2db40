#include "cards/CardFrame.h"
#include "cards/ConfigCard.h"
#include "link/Frames.h"

#include <QTest>

using namespace frames;

namespace {

quint8 xorOf(const QByteArray& bytes)
{
    quint8 x = 0;
    for (char c : bytes)
        x ^= quint8(c);
    return x;
}

QByteArray accessField()
{
    return QByteArray(reinterpret_cast<const char*>(BlockWriteAccess.data()), int(BlockWriteAccess.size()));
}

} // namespace

class TestFrames : public QObject
{
    Q_OBJECT

private slots:
    void addCheckByte_data();
    void addCheckByte();
    void fixedFrames_data();
    void fixedFrames();
    void blockFrame();
    void blockFrameRefused_data();
    void blockFrameRefused();
    void cardWrite();
    void cardWriteRefused();
    void trace_data();
    void trace();
    void readReply_data();
    void readReply();
    void parse_data();
    void parse();
    void parseStreamByteByByte();
};

void TestFrames::addCheckByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("connect") << QByteArray::fromHex("5A0307") << QByteArray::fromHex("5A03075E");
    QTest::newRow("disconnect") << QByteArray::fromHex("5A0309") << QByteArray::fromHex("5A030950");
    QTest::newRow("read card") << QByteArray::fromHex("5A0308") << QByteArray::fromHex("5A030851");
    QTest::newRow("write end") << QByteArray::fromHex("5A0306") << QByteArray::fromHex("5A03065F");
    QTest::newRow("zero bytes kept") << QByteArray::fromHex("000000") << QByteArray::fromHex("00000000");
}

void TestFrames::addCheckByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, frame);
    QCOMPARE(AddCheckByte(bytes), frame);
}

void TestFrames::fixedFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("CmdConnect") << connectFrame() << QByteArray::fromHex("5A03075E");
    QTest::newRow("CmdReadCard") << readCardFrame() << QByteArray::fromHex("5A030851");
    QTest::newRow("CmdDisconnect") << disconnectFrame() << QByteArray::fromHex("5A030950");
    QTest::newRow("CmdWriteEnd") << writeEndFrame() << QByteArray::fromHex("5A03065F");
}

void TestFrames::fixedFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame, expected);
}

void TestFrames::blockFrame()
{
    // Data 00 00 00 00 in block 1, with this installation's access field.
    QCOMPARE(writeBlockFrame(QByteArray(4, '\0'), 1).toHex(' '),
             QByteArray::fromHex("5A0D022F1D65884C0000000001C7").toHex(' '));

    const QByteArray frame = writeBlockFrame(QByteArray::fromHex("DEADBEEF"), 6);
    QCOMPARE(frame.size(), BlockFrameLength + 1);
    QCOMPARE(frame.left(3), QByteArray::fromHex("5A0D02"));
    QCOMPARE(frame.mid(3, 4), accessField());
    QCOMPARE(quint8(frame[7]), BlockWriteMarker);
    QCOMPARE(frame.mid(8, 4), QByteArray::fromHex("DEADBEEF"));
    QCOMPARE(quint8(frame[12]), quint8(6));
    QCOMPARE(xorOf(frame), quint8(0)); // the check byte cancels everything before it
}

void TestFrames::blockFrameRefused_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("block");
    QTest::newRow("three data bytes") << QByteArray::fromHex("010203") << 1;
    QTest::newRow("five data bytes") << QByteArray::fromHex("0102030405") << 1;
    QTest::newRow("block 0") << QByteArray::fromHex("01020304") << 0;
    QTest::newRow("block 7") << QByteArray::fromHex("01020304") << 7;
}

void TestFrames::blockFrameRefused()
{
    QFETCH(QByteArray, data);
    QFETCH(int, block);
    QVERIFY(writeBlockFrame(data, block).isEmpty());
}

// Configuration card for reader 1 of system 123456, with the current code: the
// whole write as it goes out on the line.
void TestFrames::cardWrite()
{
    cards::Identifier id{};
    QString error;
    QVERIFY2(cards::packConfigIdentifier(123456, &id, &error), qPrintable(error));
    const QByteArray cardFrame = cards::EncodeCardFrame(id);
    cards::ConfigCardParams params;
    params.systemNumber = 123456;
    params.readerNumber = 1;
    params.relayTime = 2;
    QByteArray data;
    QVERIFY2(cards::configCardData(params, &data, &error), qPrintable(error));

    const QList<QByteArray> list = cardWriteFrames(cardFrame, data);
    QCOMPARE(list.size(), CardWriteFrameCount);
    const QByteArray blockData = cardFrame + data;
    for (int block = 1; block <= 6; ++block) {
        const QByteArray& frame = list[block - 1];
        QCOMPARE(frame, writeBlockFrame(blockData.mid((block - 1) * 4, 4), block));
        QCOMPARE(quint8(frame[12]), quint8(block));
    }
    QCOMPARE(list[0].mid(8, 4), cardFrame.left(4));
    QCOMPARE(list[5].mid(8, 4), QByteArray(4, '\0'));
    QCOMPARE(list[6], writeEndFrame());
}

void TestFrames::cardWriteRefused()
{
    QVERIFY(cardWriteFrames(QByteArray(7, '\xFF'), QByteArray(16, '\0')).isEmpty());
    QVERIFY(cardWriteFrames(QByteArray(8, '\xFF'), QByteArray(15, '\0')).isEmpty());
}

void TestFrames::trace_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("text");
    QTest::newRow("connect") << QByteArray::fromHex("5A03075E") << " 5A 03 07 5E";
    QTest::newRow("read card") << QByteArray::fromHex("5A030851") << " 5A 03 08 51";
    QTest::newRow("zero bytes") << QByteArray::fromHex("4C000000") << " 4C 00 00 00";
    QTest::newRow("upper case") << QByteArray::fromHex("abcdef0a") << " AB CD EF 0A";
    QTest::newRow("nothing") << QByteArray() << "";
}

void TestFrames::trace()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, text);
    QCOMPARE(traceText(frame), text);
}

void TestFrames::readReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<int>("person");
    QTest::addColumn<int>("system");
    QTest::addColumn<int>("duplicate");
    QTest::newRow("00 05 00 01 13") << QByteArray::fromHex("0005000113") << true << 5 << 65537 << 3;
    QTest::newRow("six bytes") << QByteArray::fromHex("000500011377") << true << 5 << 65537 << 3;
    QTest::newRow("user card 300") << QByteArray::fromHex("012CE24012") << true << 300 << 123456 << 2;
    QTest::newRow("configuration card") << QByteArray::fromHex("0000E24010") << true << 0 << 123456 << 0;
    QTest::newRow("all zero") << QByteArray::fromHex("0000000000") << true << 0 << 0 << 0;
    QTest::newRow("all ones") << QByteArray::fromHex("FFFFFFFFFF") << true << 65535 << 1048575 << 15;
    QTest::newRow("four bytes") << QByteArray::fromHex("00050001") << false << 0 << 0 << 0;
    QTest::newRow("none") << QByteArray() << false << 0 << 0 << 0;
}

void TestFrames::readReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, answered);
    QFETCH(int, person);
    QFETCH(int, system);
    QFETCH(int, duplicate);
    const auto card = decodeReadReply(reply);
    QCOMPARE(card.has_value(), answered);
    if (!answered)
        return;
    QCOMPARE(card->personNumber, person);
    QCOMPARE(card->systemCode, system);
    QCOMPARE(card->duplicateIndex, duplicate);
}

void TestFrames::parse_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("consumed");
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("checkOk");
    QTest::addColumn<QByteArray>("payload");
    const int needMore = int(ParseResult::NeedMore);
    const int frame = int(ParseResult::Frame);
    const int garbage = int(ParseResult::Garbage);
    QTest::newRow("empty") << QByteArray() << needMore << 0 << 0 << false << QByteArray();
    QTest::newRow("start byte only") << QByteArray::fromHex("5A") << needMore << 0 << 0 << false << QByteArray();
    QTest::newRow("short frame missing check")
        << QByteArray::fromHex("5A0307") << needMore << 0 << 0 << false << QByteArray();
    QTest::newRow("connect") << QByteArray::fromHex("5A03075E") << frame << 4 << 0x07 << true << QByteArray();
    QTest::newRow("connect, bad check") << QByteArray::fromHex("5A03075F") << frame << 4 << 0x07 << false
                                        << QByteArray();
    QTest::newRow("connect then more") << QByteArray::fromHex("5A03075E5A0308") << frame << 4 << 0x07 << true
                                       << QByteArray();
    const QByteArray block = writeBlockFrame(QByteArray::fromHex("00112233"), 3);
    QTest::newRow("block") << block << frame << 14 << 0x02 << true
                           << accessField() + QByteArray::fromHex("4C0011223303");
    QTest::newRow("block, one byte short") << block.chopped(1) << needMore << 0 << 0 << false << QByteArray();
    QTest::newRow("noise before a start byte")
        << QByteArray::fromHex("00115A03075E") << garbage << 2 << 0 << false << QByteArray();
    QTest::newRow("noise only") << QByteArray::fromHex("0011") << garbage << 2 << 0 << false << QByteArray();
    QTest::newRow("unknown length") << QByteArray::fromHex("5A0507000000") << garbage << 1 << 0 << false
                                    << QByteArray();
}

void TestFrames::parse()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, result);
    QFETCH(int, consumed);
    QFETCH(int, command);
    QFETCH(bool, checkOk);
    QFETCH(QByteArray, payload);
    ParsedFrame parsed;
    qsizetype used = -1;
    QCOMPARE(int(parseFrame(buffer, &parsed, &used)), result);
    QCOMPARE(int(used), consumed);
    if (ParseResult(result) != ParseResult::Frame)
        return;
    QCOMPARE(int(parsed.command), command);
    QCOMPARE(parsed.checkOk, checkOk);
    QCOMPARE(parsed.payload.toHex(' '), payload.toHex(' '));
    QCOMPARE(parsed.bytes, buffer.left(consumed));
}

// What the programmer sees of a card write arriving in dribs, with line noise
// in front and a corrupted frame in between: every good frame comes out
// whole, in order, and the damaged one is flagged.
void TestFrames::parseStreamByteByByte()
{
    const QList<QByteArray> sent = cardWriteFrames(QByteArray::fromHex("FF8065C74A900CA8"),
                                                   QByteArray::fromHex("E240101703018027020000A700000000"));
    QCOMPARE(sent.size(), CardWriteFrameCount);
    QByteArray damaged = readCardFrame();
    damaged[2] = char(CmdConnect); // check byte no longer matches

    QByteArray stream = QByteArray::fromHex("00FF13");
    for (int i = 0; i < 3; ++i)
        stream += sent[i];
    stream += damaged;
    for (int i = 3; i < sent.size(); ++i)
        stream += sent[i];

    QList<QByteArray> good;
    int bad = 0;
    QByteArray buffer;
    for (char c : stream) {
        buffer.append(c);
        for (;;) {
            ParsedFrame parsed;
            qsizetype used = 0;
            const ParseResult r = parseFrame(buffer, &parsed, &used);
            if (r == ParseResult::NeedMore)
                break;
            QVERIFY(used > 0);
            buffer.remove(0, used);
            if (r == ParseResult::Frame) {
                if (parsed.checkOk)
                    good.append(parsed.bytes);
                else
                    ++bad;
            }
        }
    }
    QVERIFY(buffer.isEmpty());
    QCOMPARE(good, sent);
    QCOMPARE(bad, 1);
}

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"
