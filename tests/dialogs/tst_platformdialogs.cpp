#include "dialogs/MessageBoxAlerts.h"
#include "dialogs/Panels.h"
#include "model/Alert.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

// The real dialogs behind the alert and panel hooks: the awaiting code must resume
// once the user has answered.
class TestPlatformDialogs : public QObject {
    Q_OBJECT

private:
    template<typename Dialog> static Dialog *shown()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<Dialog *>(widget); dialog && dialog->isVisible())
                return dialog;
        return nullptr;
    }

private slots:
    void alertResumesItsCallerWhenDismissed()
    {
        platform::installMessageBoxAlerts();
        bool resumed = false;
        auto alert = [&]() -> QCoro::Task<> {
            co_await platform::showErrorAlert(QStringLiteral("<b>Error:</b> no such revision"));
            resumed = true;
        };
        alert();
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = shown<QMessageBox>()));
        QCOMPARE(box->text(), QStringLiteral("Error running command"));
        QCOMPARE(box->informativeText(), QStringLiteral("<b>Error:</b> no such revision"));
        for (const QLabel *label : box->findChildren<QLabel *>())
            QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(!resumed);
        QPointer<QMessageBox> guard(box);
        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(resumed);
        QTRY_VERIFY(!guard);
        platform::setAlertPresenter({});
    }

    void alertsAndPanelsAreModalToTheirWindow()
    {
        platform::installMessageBoxAlerts();
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QObject about(&window); // a window's controller, say
        platform::showErrorAlert(QStringLiteral("Error: refused"), &about);
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = shown<QMessageBox>()));
        // In front of the window until answered: a click on the window cannot hide it.
        QCOMPARE(box->parentWidget(), &window);
        QCOMPARE(box->windowModality(), Qt::WindowModal);
        QCOMPARE(box->windowHandle()->transientParent(), window.windowHandle());
        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(!shown<QMessageBox>());
        platform::setAlertPresenter({});

        // A panel asked for without a window: the active one.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        platform::runFolderPanel();
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = shown<QFileDialog>()));
        QCOMPARE(dialog->parentWidget(), &window);
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        dialog->reject();
        QTRY_VERIFY(!shown<QFileDialog>());
    }

    void savePanelGivesTheChosenLocation()
    {
        QTemporaryDir parent;
        std::optional<std::optional<QUrl>> answer;
        auto ask = [&]() -> QCoro::Task<> {
            platform::SavePanelOptions options;
            options.title = QStringLiteral("Create Jujutsu Repository");
            options.prompt = QStringLiteral("Create Repository");
            options.nameFieldLabel = QStringLiteral("Repository Name:");
            options.canCreateDirectories = true;
            answer = co_await platform::runSavePanel(options);
        };
        ask();
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = shown<QFileDialog>()));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Create Jujutsu Repository"));
        QCOMPARE(dialog->labelText(QFileDialog::Accept), QStringLiteral("Create Repository"));
        QCOMPARE(dialog->labelText(QFileDialog::FileName), QStringLiteral("Repository Name:"));
        dialog->setDirectory(parent.path());
        dialog->selectFile(parent.filePath(QStringLiteral("demo")));
        static_cast<QDialog *>(dialog)->accept();
        QTRY_VERIFY(answer.has_value());
        QCOMPARE(*answer,
                 std::optional<QUrl>(QUrl::fromLocalFile(parent.filePath(QStringLiteral("demo")))));
    }

    void folderPanelGivesTheFolderOrNothing()
    {
        QTemporaryDir folder;
        for (const bool accept : {true, false}) {
            std::optional<platform::FolderChoice> choice;
            auto ask = [&]() -> QCoro::Task<> { choice = co_await platform::runFolderPanel(); };
            ask();
            QFileDialog *dialog = nullptr;
            QTRY_VERIFY((dialog = shown<QFileDialog>()));
            if (accept) {
                dialog->setDirectory(folder.path());
                dialog->selectFile(folder.path());
                static_cast<QDialog *>(dialog)->accept();
            } else {
                dialog->reject();
            }
            QTRY_VERIFY(choice.has_value());
            QCOMPARE(choice->url.has_value(), accept);
            if (accept)
                QCOMPARE(choice->url->toLocalFile(), folder.path());
            QTRY_VERIFY(!shown<QFileDialog>());
        }
    }
};

QTEST_MAIN(TestPlatformDialogs)
#include "tst_platformdialogs.moc"
