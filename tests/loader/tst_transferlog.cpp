#include "loader/transferlog.h"

#include "workdir.h"

#include <QRandomGenerator>
#include <QTest>

// What a view holds after applying the log's deltas one by one.
class DeltaFollower
{
public:
    explicit DeltaFollower(TransferLog &log)
    {
        QObject::connect(&log, &TransferLog::reset, [this](const QString &text) { shown = text; });
        QObject::connect(&log, &TransferLog::changed, [this](int removed, const QString &added) {
            if (removed > shown.size())
                overRemoved = true;
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
        QTest::newRow("CR LF ends lines without a blank line")
            << QByteArray() << L{"a\r\nb\r\n"} << QByteArray("a\r\nb\r\n") << "a\nb\n";
        QTest::newRow("LF CR logs as CR LF")
            << QByteArray() << L{"a\n\rb\n\r"} << QByteArray("a\r\nb\r\n") << "a\nb\n";
        QTest::newRow("lone LF alternates, no pair forms")
            << QByteArray() << L{"a\nb\nc\n"} << QByteArray("a\rb\nc\r") << "a\nb\nc\n";
        QTest::newRow("lone CR alternates too")
            << QByteArray() << L{"a\rb\r"} << QByteArray("a\rb\n") << "a\nb\n";
        QTest::newRow("a break split over two polls")
            << QByteArray() << L{"a\r", "\nb"} << QByteArray("a\r\nb") << "a\nb";
        QTest::newRow("blank line from the modem")
            << QByteArray() << L{"a\r\n\r\nb"} << QByteArray("a\r\n\r\nb") << "a\n\nb";
        QTest::newRow("backspace on an empty log")
            << QByteArray() << L{"\b\b", "x"} << QByteArray("x") << "x";
        QTest::newRow("backspace removes half a line break")
            << QByteArray() << L{"ab\r\n", "\b"} << QByteArray("ab\r") << "ab\n";
        QTest::newRow("backspace removes a whole break")
            << QByteArray() << L{"ab\r\n\b\bc"} << QByteArray("abc") << "abc";
        QTest::newRow("backspace reaches the transfer's own text")
            << QByteArray("....>") << L{"\b\b"} << QByteArray("...") << "...";
        QTest::newRow("NUL kept, not shown")
            << QByteArray() << L{QByteArray("a\0b", 3)} << QByteArray("a\0b", 3) << "ab";
        QTest::newRow("backspace over NUL")
            << QByteArray() << L{QByteArray("a\0", 2), "\b"} << QByteArray("a") << "a";
        QTest::newRow("Latin-1 letters")
            << QByteArray() << L{"Se\xf1or"} << QByteArray("Se\xf1or") << QStringLiteral("Señor");
        QTest::newRow("edit-line echo: type, erase, retype")
            << QByteArray("> ") << L{"shw", "\b\b", "how\r\n"} << QByteArray("> show\r\n")
            << "> show\n";
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

    // Any mix of bytes and polls: the view built from deltas alone always
    // equals the whole rendering.
    void deltasFollowTheText()
    {
        const char alphabet[] = {'a', 'b', '\r', '\n', '\b', '\b', '\0', '\xe9', ' '};
        for (quint32 seed = 1; seed <= 20; ++seed) {
            QRandomGenerator random(seed);
            TransferLog log;
            DeltaFollower view(log);
            log.setText("....>");
            log.startReading();
            for (int poll = 0; poll < 200; ++poll) {
                QByteArray chunk;
                const int size = random.bounded(6);
                for (int i = 0; i < size; ++i)
                    chunk += alphabet[random.bounded(int(sizeof alphabet))];
                log.appendReceived(chunk);
                QVERIFY(!view.overRemoved);
                QCOMPARE(view.shown, log.displayText());
            }
        }
    }

    void logFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QByteArray>("file");

        QTest::newRow("normal end")
            << QByteArray("Actualizando password. Por favor espere.\r\n....>OK\r\n") << false
            << QByteArray("Actualizando password. Por favor espere.\r\n....>OK\r\n\r\n");
        QTest::newRow("stopped by the user")
            << QByteArray("....>") << true
            << QByteArray("....>\r\n---- Transference terminated by user ----\r\n");
        QTest::newRow("NUL and Latin-1 kept")
            << QByteArray("a\0\xf1", 3) << false << QByteArray("a\0\xf1\r\n", 5);
    }

    void logFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, stopped);
        QFETCH(QByteArray, file);

        WorkDir dir;
        QString error;
        // The folder is missing: it is created.
        QVERIFY(writeLogFile(QStringLiteral("912345678"), text, stopped, &error));
        QCOMPARE(readBytes(dir.file(QStringLiteral("logs/912345678.log"))), file);
        // A second transfer replaces the file.
        QVERIFY(writeLogFile(QStringLiteral("912345678"), "x", false, &error));
        QCOMPARE(readBytes(dir.file(QStringLiteral("logs/912345678.log"))), QByteArray("x\r\n"));
    }

    void unwritableLogIsReported()
    {
        WorkDir dir;
        // A file where the folder should be: the folder cannot be made.
        QVERIFY(writeBytes(dir.file(QStringLiteral("logs")), "not a folder"));
        QString error;
        QVERIFY(!writeLogFile(QStringLiteral("912345678"), "text", false, &error));
        QVERIFY(error.contains(QStringLiteral("logs/912345678.log")));
        QCOMPARE(readBytes(dir.file(QStringLiteral("logs"))), QByteArray("not a folder"));
    }
};

QTEST_GUILESS_MAIN(TestTransferLog)
#include "tst_transferlog.moc"
