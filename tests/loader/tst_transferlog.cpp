#include "loader/logfile.h"

#include "workdir.h"

// The log box's text and the log file, chunk by chunk.

namespace {

const QString logFile = QStringLiteral("logs/912345678.log");

// What a view holds after applying the log's deltas one by one.
struct DeltaFollower
{
    explicit DeltaFollower(TransferLog &log)
    {
        QObject::connect(&log, &TransferLog::reset, [this](const QString &text) { shown = text; });
        QObject::connect(&log, &TransferLog::changed, [this](int removed, const QString &added) {
            overRemoved |= removed > shown.size();
            shown.chop(removed);
            shown += added;
        });
    }
    QString shown;
    bool overRemoved = false;
};

} // namespace

class TestTransferLog : public QObject
{
    Q_OBJECT

private slots:
    void rendering_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("shown");

        // The file, synced after each chunk, follows backspaces over bytes
        // already written; NUL and Latin-1 bytes go in as they are.
        using L = QList<QByteArray>;
        const QByteArray none;
        QTest::newRow("LF CR logs as CR LF") << none << L{"a\n\rb\n\r"} << QByteArray("a\r\nb\r\n") << "a\nb\n";
        QTest::newRow("lone LF alternates") << none << L{"a\nb\nc\n"} << QByteArray("a\rb\nc\r") << "a\nb\nc\n";
        QTest::newRow("break split over two polls") << none << L{"a\r", "\nb"} << QByteArray("a\r\nb") << "a\nb";
        QTest::newRow("backspace on an empty log") << none << L{"\b\b", "x"} << QByteArray("x") << "x";
        QTest::newRow("backspace takes half a break") << none << L{"ab\r\n", "\b"} << QByteArray("ab\r") << "ab\n";
        QTest::newRow("backspace into the transfer's text")
            << QByteArray("....>") << L{"\b\b"} << QByteArray("...") << "...";
        QTest::newRow("NUL kept, not shown") << none << L{QByteArray("a\0b", 3)} << QByteArray("a\0b", 3) << "ab";
        QTest::newRow("backspace over NUL") << none << L{QByteArray("a\0", 2), "\b"} << QByteArray("a") << "a";
        QTest::newRow("Latin-1") << none << L{"Se\xf1or"} << QByteArray("Se\xf1or") << QStringLiteral("Señor");
    }

    void rendering()
    {
        QFETCH(QByteArray, start);
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QByteArray, stored);
        QFETCH(QString, shown);

        WorkDir dir;
        TransferLog log;
        DeltaFollower view(log);
        LogFile file;
        QString error;
        QVERIFY(file.open(QStringLiteral("912345678"), &error));
        log.setText(start);
        file.sync(log);
        log.startReading();
        for (const QByteArray &chunk : chunks) {
            log.appendReceived(chunk);
            file.sync(log);
        }
        QCOMPARE(log.bytes(), stored);
        QCOMPARE(readBytes(logFile), stored);
        QCOMPARE(log.displayText(), shown);
        QCOMPARE(view.shown, shown);
        QVERIFY(!view.overRemoved);
    }
};

QTEST_GUILESS_MAIN(TestTransferLog)
#include "tst_transferlog.moc"
