#include "password/changepassscreen.h"
#include "password/passwordstore.h"
#include "shell/application.h"
#include "shell/mainmenuscreen.h"

#include "recordingmessageboxes.h"
#include "workdir.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>
#include <QtTest>

namespace {

const Message emptyQuestion{"Clave nula",
                            "Ha introducido un valor nulo para la clave de accesso, ¿Desea "
                            "continuar?",
                            MessageIcon::Warning, MessageButtons::YesNo};
const Message mismatch{"La repetición de la clave no coincide",
                       "Las claves introducidas no coinciden.\n\rCompruebe que la clave y su "
                       "confirmación coinciden.",
                       MessageIcon::Warning, MessageButtons::Ok};
const Message unstorable{"Clave no válida",
                         "La clave introducida no se puede guardar en el fichero de claves.\n\r"
                         "Elija otra clave.",
                         MessageIcon::Warning, MessageButtons::Ok};
const Message accepted{"Clave de acceso modificada.",
                       "La clave de acceso a los modems ADSL ha sido modificada.",
                       MessageIcon::Information, MessageButtons::Ok};

class ActivationCounter : public QObject
{
public:
    explicit ActivationCounter(QWidget *screen) { screen->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::WindowActivate ? 1 : 0;
        return false;
    }
};

} // namespace

class TestChangePassScreen : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void controls();
    void save_data();
    void save();
    void fifteenthCharacterRefused();
    void leavingRestoresCurrentPass_data();
    void leavingRestoresCurrentPass();
    void activationReloadsFile();
    void ownMessageBoxDoesNotReload();

private:
    // Opens the screen from the main menu, as the installer does.
    ChangePassScreen *open()
    {
        QTest::mouseClick(m_app->mainMenu()->M_changePass, Qt::LeftButton);
        ChangePassScreen *screen = m_app->changePass();
        if (!QTest::qWaitForWindowActive(screen))
            return nullptr;
        return screen;
    }
    static void type(QLineEdit *field, const QString &text)
    {
        field->clear();
        QTest::keyClicks(field, text);
    }

    std::unique_ptr<WorkDir> m_dir;
    std::unique_ptr<RecordingMessageBoxes> m_boxes;
    std::unique_ptr<Application> m_app;
};

void TestChangePassScreen::init()
{
    m_dir = std::make_unique<WorkDir>();
    QVERIFY(storePassword("abc"));
    m_boxes = std::make_unique<RecordingMessageBoxes>();
    m_app = std::make_unique<Application>();
    m_app->start();
    QVERIFY(QTest::qWaitForWindowActive(m_app->mainMenu()));
}

void TestChangePassScreen::cleanup()
{
    m_app.reset();
    m_boxes.reset();
    m_dir.reset();
}

void TestChangePassScreen::controls()
{
    ChangePassScreen *screen = open();
    QVERIFY(screen);
    QCOMPARE(screen->windowTitle(), QString("Modificar clave de acceso..."));
    QCOMPARE(screen->findChild<QLabel *>("pass1Title")->text(), QString("Clave:"));
    QCOMPARE(screen->findChild<QLabel *>("pass2Title")->text(), QString("Confirmar clave:"));
    QCOMPARE(screen->savePass->text(), QString("&Salvar"));
    QCOMPARE(screen->back2main->text(), QString("&Volver"));
    QCOMPARE(screen->findChild<QLineEdit *>("pass1"), screen->pass1);
    QCOMPARE(screen->findChild<QLineEdit *>("pass2"), screen->pass2);
    for (QLineEdit *field : {screen->pass1, screen->pass2})
        QCOMPARE(field->echoMode(), QLineEdit::Password);
    QVERIFY(screen->savePass->x() < screen->back2main->x());

    const QList<QWidget *> order{screen->pass1, screen->pass2, screen->savePass, screen->back2main};
    order.first()->setFocus();
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), order[i]);
    }
}

void TestChangePassScreen::save_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<QList<Message>>("expected");
    QTest::addColumn<bool>("accepted");

    const QList<MessageAnswer> none;
    QTest::newRow("equal") << "nueva" << "nueva" << none << QList<Message>{accepted} << true;
    QTest::newRow("differ in case") << "nueva" << "Nueva" << none << QList<Message>{mismatch}
                                    << false;
    QTest::newRow("second empty") << "nueva" << "" << none << QList<Message>{mismatch} << false;
    QTest::newRow("first empty") << "" << "nueva" << none << QList<Message>{mismatch} << false;
    QTest::newRow("both empty, No") << "" << "" << QList<MessageAnswer>{MessageAnswer::No}
                                    << QList<Message>{emptyQuestion} << false;
    QTest::newRow("both empty, Yes") << "" << "" << QList<MessageAnswer>{MessageAnswer::Yes}
                                     << QList<Message>{emptyQuestion, accepted} << true;
    // 51 + 3 - 20 is the code of a double quote: the file could not give it back.
    QTest::newRow("unstorable") << "1234" << "1234" << none << QList<Message>{unstorable}
                                << false;
}

void TestChangePassScreen::save()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(QList<Message>, expected);
    QFETCH(bool, accepted);

    ChangePassScreen *screen = open();
    QVERIFY(screen);
    const QByteArray stored = readBytes(passwordFileName);
    type(screen->pass1, first);
    type(screen->pass2, second);
    m_boxes->answers = answers;
    QTest::mouseClick(screen->savePass, Qt::LeftButton);

    QCOMPARE(m_boxes->shown, expected);
    QCOMPARE(screen->isVisible(), !accepted);
    QCOMPARE(m_app->mainMenu()->isVisible(), accepted);
    // Typed texts stay either way; the new password waits in pass1.
    QCOMPARE(screen->pass1->text(), first);
    QCOMPARE(screen->pass2->text(), second);
    QCOMPARE(screen->currentPass, QString("abc"));
    QCOMPARE(readBytes(passwordFileName), stored);
}

void TestChangePassScreen::fifteenthCharacterRefused()
{
    ChangePassScreen *screen = open();
    QVERIFY(screen);
    for (QLineEdit *field : {screen->pass1, screen->pass2}) {
        type(field, "abcdefghijklmnop");
        QCOMPARE(field->text(), QString("abcdefghijklmn"));
    }
}

void TestChangePassScreen::leavingRestoresCurrentPass_data()
{
    QTest::addColumn<bool>("byClose");
    QTest::newRow("back2main") << false;
    QTest::newRow("window closed") << true;
}

void TestChangePassScreen::leavingRestoresCurrentPass()
{
    QFETCH(bool, byClose);
    ChangePassScreen *screen = open();
    QVERIFY(screen);
    type(screen->pass1, "otra");
    type(screen->pass2, "distinta");
    if (byClose)
        screen->close();
    else
        QTest::mouseClick(screen->back2main, Qt::LeftButton);
    QVERIFY(!screen->isVisible());
    QVERIFY(m_app->mainMenu()->isVisible());
    QCOMPARE(screen->pass1->text(), QString("abc"));
    QCOMPARE(screen->pass2->text(), QString("abc"));
    QVERIFY(m_boxes->shown.isEmpty());
}

void TestChangePassScreen::activationReloadsFile()
{
    ChangePassScreen *screen = open();
    QVERIFY(screen);
    type(screen->pass1, "nueva");
    type(screen->pass2, "nueva");
    QTest::mouseClick(screen->savePass, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(m_app->mainMenu()));

    // A transfer stored another password meanwhile; the unused one is gone.
    QVERIFY(storePassword("guardada"));
    QCOMPARE(screen->currentPass, QString("abc"));
    QVERIFY(open());
    QCOMPARE(screen->pass1->text(), QString("guardada"));
    QCOMPARE(screen->pass2->text(), QString("guardada"));
    QCOMPARE(screen->currentPass, QString("guardada"));

    // Coming back from another window of the program reloads as well.
    type(screen->pass1, "tecleada");
    QVERIFY(QFile::remove(passwordFileName));
    m_app->mainMenu()->show();
    m_app->mainMenu()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_app->mainMenu()));
    screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(screen));
    QCOMPARE(screen->pass1->text(), defaultPassword);
    QCOMPARE(screen->currentPass, defaultPassword);
}

void TestChangePassScreen::ownMessageBoxDoesNotReload()
{
    ChangePassScreen *screen = open();
    QVERIFY(screen);
    ActivationCounter activations(screen);
    // A real box is a modal window owned by the screen: it takes the
    // activation and gives it back when it closes. (Made without a parent
    // widget, as the offscreen platform keeps a parent active meanwhile.)
    m_boxes->whileOpen = [&](const Message &) {
        QWidget box;
        box.setWindowModality(Qt::ApplicationModal);
        box.winId();
        box.windowHandle()->setTransientParent(screen->windowHandle());
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        const int before = activations.count;
        box.hide();
        screen->activateWindow();
        QTRY_VERIFY(activations.count > before);
    };
    type(screen->pass1, "nueva");
    type(screen->pass2, "otra");
    QTest::mouseClick(screen->savePass, Qt::LeftButton);
    QCOMPARE(m_boxes->shown, QList<Message>{mismatch});
    QCOMPARE(screen->pass1->text(), QString("nueva"));
    QCOMPARE(screen->pass2->text(), QString("otra"));

    // A real return from another window still reloads.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    const int before = activations.count;
    screen->activateWindow();
    QTRY_VERIFY(activations.count > before);
    QCOMPARE(screen->pass1->text(), QString("abc"));
}

QTEST_MAIN(TestChangePassScreen)
#include "tst_changepassscreen.moc"
