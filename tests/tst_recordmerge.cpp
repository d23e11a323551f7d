// The record list stays ascending and unique by MAC; the binary search must place every record
// exactly where a walk through the list would.
#include "protocol/recordmerge.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

GatewayRecord record(const QString &mac, const QString &name = {})
{
    GatewayRecord r;
    r.mac = mac;
    r.gatewayName = name;
    return r;
}

// The plain walk: first equal MAC, else after every smaller one.
void mergeByWalk(QList<GatewayRecord> &records, const GatewayRecord &values)
{
    for (GatewayRecord &r : records) {
        if (r.mac == values.mac) {
            r = values;
            return;
        }
    }
    qsizetype p = 0;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (QString::compare(values.mac, records.at(i).mac) > 0)
            p = i + 1;
    }
    records.insert(p, values);
}

} // namespace

class TestRecordMerge : public QObject
{
    Q_OBJECT

private slots:
    void sameMacKeepsLaterValues();
    void agreesWithWalk();
};

void TestRecordMerge::sameMacKeepsLaterValues()
{
    QList<GatewayRecord *> records;
    QCOMPARE(mergeGatewayRecord(records, record("00:1A:00:00:00:01", "first")), 0);
    QCOMPARE(mergeGatewayRecord(records, record("00:0B:00:00:00:01", "other")), 0);
    QCOMPARE(mergeGatewayRecord(records, record("00:1A:00:00:00:01", "later")), 1);
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.at(0)->mac, QStringLiteral("00:0B:00:00:00:01"));
    QCOMPARE(records.at(1)->gatewayName, QStringLiteral("later"));
    qDeleteAll(records);
}

void TestRecordMerge::agreesWithWalk()
{
    // Few distinct MACs so that updates and inserts at every position happen often.
    QRandomGenerator random(20261207);
    for (int round = 0; round < 50; ++round) {
        QList<GatewayRecord *> records;
        QList<GatewayRecord> expected;
        for (int i = 0; i < 200; ++i) {
            const QString mac =
                QString::asprintf("00:%02X:00:00:00:%02X", random.bounded(4), random.bounded(40));
            const GatewayRecord values = record(mac, QString::number(i));
            mergeGatewayRecord(records, values);
            mergeByWalk(expected, values);
        }
        QCOMPARE(records.size(), expected.size());
        for (qsizetype i = 0; i < records.size(); ++i)
            QCOMPARE(*records.at(i), expected.at(i));
        qDeleteAll(records);
    }
}

QTEST_GUILESS_MAIN(TestRecordMerge)
#include "tst_recordmerge.moc"
