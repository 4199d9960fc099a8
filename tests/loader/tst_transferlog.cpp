#include "loader/transferlog.h"

#include "workdir.h"

#include <QTest>

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

        using L = QList<QByteArray>;
        const QByteArray none;
        QTest::newRow("CR LF") << none << L{"a\r\nb\r\n"} << QByteArray("a\r\nb\r\n") << "a\nb\n";
        QTest::newRow("LF CR logs as CR LF") << none << L{"a\n\rb\n\r"} << QByteArray("a\r\nb\r\n") << "a\nb\n";
        QTest::newRow("lone LF alternates") << none << L{"a\nb\nc\n"} << QByteArray("a\rb\nc\r") << "a\nb\nc\n";
        QTest::newRow("break split over two polls") << none << L{"a\r", "\nb"} << QByteArray("a\r\nb") << "a\nb";
        QTest::newRow("backspace on an empty log") << none << L{"\b\b", "x"} << QByteArray("x") << "x";
        QTest::newRow("backspace takes half a break") << none << L{"ab\r\n", "\b"} << QByteArray("ab\r") << "ab\n";
        QTest::newRow("backspace into the transfer's text") << QByteArray("....>") << L{"\b\b"} << QByteArray("...") << "...";
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

        TransferLog log;
        DeltaFollower view(log);
        log.setText(start);
        log.startReading();
        for (const QByteArray &chunk : chunks)
            log.appendReceived(chunk);
        QCOMPARE(log.bytes(), stored);
        QCOMPARE(log.displayText(), shown);
        QCOMPARE(view.shown, shown);
        QVERIFY(!view.overRemoved);
    }

    void logFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QByteArray>("file");

        QTest::newRow("normal end") << QByteArray("....>OK\r\n") << false << QByteArray("....>OK\r\n\r\n");
        QTest::newRow("stopped by the user") << QByteArray("....>") << true
                                             << QByteArray("....>\r\n---- Transference terminated by user ----\r\n");
        QTest::newRow("NUL and Latin-1 kept") << QByteArray("a\0\xf1", 3) << false << QByteArray("a\0\xf1\r\n", 5);
    }

    void logFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, stopped);
        QFETCH(QByteArray, file);

        WorkDir dir;
        const QString path = QStringLiteral("logs/912345678.log");
        QString error;
        TransferLog log;
        LogFile out;
        QVERIFY(out.open(QStringLiteral("912345678"), &error)); // makes logs/
        log.setText(text + "xy");
        out.sync(log);
        log.appendReceived("\b\b"); // takes back bytes already written
        out.sync(log);
        QCOMPARE(readBytes(path), text);
        QVERIFY(out.finish(log, stopped, &error));
        QCOMPARE(readBytes(path), file);
        log.appendText("late"); // after the end: not in the file
        out.sync(log);
        QCOMPARE(readBytes(path), file);

        QVERIFY(out.open(QStringLiteral("912345678"), &error)); // replaces it
        QCOMPARE(readBytes(path), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestTransferLog)
#include "tst_transferlog.moc"
