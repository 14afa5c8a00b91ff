// The window's small manners on a 1366×768 offscreen screen: a saved place
// is fitted to the screen, the maximised state survives the tray, the
// history window keeps its size, the file dialogs start in the data folder
// and then in the last one used, and the selected row stands out on every
// row colour.
#include "baza/baza.h"
#include "baza/checkcode.h"
#include "baza/fields.h"
#include "ekowartaapplication.h"
#include "historywindow.h"
#include "konfig/settings.h"
#include "konfig/windowlayout.h"
#include "qtdialogs.h"
#include "registermodel.h"
#include "support/scripteddialogs.h"
#include "support/testdata.h"
#include "tform1.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QScreen>
#include <QTableView>
#include <QtTest>

#include <cmath>

namespace {

double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// The accessibility guidelines' contrast ratio, 1 to 21.
double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QRect available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

class TestWindowPlace : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedDialogs m_dialogs;
    Settings m_settings;

    std::unique_ptr<TForm1> start()
    {
        auto form = std::make_unique<TForm1>(m_settings, m_dialogs, m_dir->path());
        form->show();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return form;
    }

    void saveMainWindowPlace(const QRect& place)
    {
        konfig::WindowLayout l;
        l.x = place.x();
        l.y = place.y();
        l.width = place.width();
        l.height = place.height();
        QVERIFY(konfig::SaveWindowLayout(konfig::WindowLayoutPath(m_dir->path()), l));
    }

    // Answers the next file dialog: notes the folder it opened in and
    // chooses the file (or cancels for an empty name). Looked for until it
    // is up; one that never comes fails the test instead of hanging it.
    void answerFileDialog(QString* openedIn, const QString& choose)
    {
        auto* timer = new QTimer(this);
        auto* waited = new QElapsedTimer;
        waited->start();
        timer->setInterval(20);
        connect(timer, &QTimer::timeout, this, [timer, waited, openedIn, choose] {
            QFileDialog* dialog = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                    dialog = d;
            if (!dialog && waited->elapsed() < 10000)
                return;
            timer->stop();
            timer->deleteLater();
            delete waited;
            if (!dialog) {
                *openedIn = QStringLiteral("no file dialog came up");
                return;
            }
            *openedIn = QDir(dialog->directory()).absolutePath();
            if (choose.isEmpty())
                dialog->reject();
            else {
                // Typed into the name box and confirmed; the dialog's own
                // check would wait for its listing of the folder.
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                if (!name) {
                    *openedIn = QStringLiteral("no name box in the file dialog");
                    dialog->reject();
                    return;
                }
                name->setText(choose);
                static_cast<QDialog*>(dialog)->done(QDialog::Accepted); // public in QDialog
            }
        });
        timer->start();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(available().width() >= 1000); // the 1366×768 screen of CMakeLists.txt
    }

    void savedPlaceIsFittedToTheScreen_data()
    {
        QTest::addColumn<QRect>("saved");
        QTest::addColumn<bool>("kept");
        QTest::newRow("fits: kept as it was") << QRect(100, 80, 900, 560) << true;
        QTest::newRow("saved on a larger screen") << QRect(300, 200, 1900, 1100) << false;
        QTest::newRow("right edge off the screen") << QRect(1000, 100, 800, 500) << false;
        QTest::newRow("on a screen that is gone") << QRect(-2500, -900, 1024, 700) << false;
        QTest::newRow("bottom off the screen") << QRect(50, 600, 800, 500) << false;
    }

    void savedPlaceIsFittedToTheScreen()
    {
        QFETCH(QRect, saved);
        QFETCH(bool, kept);
        saveMainWindowPlace(saved);
        auto form = start();
        QVERIFY2(available().contains(form->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(form->x()).arg(form->y()).arg(form->width()).arg(form->height())));
        if (kept)
            QCOMPARE(form->geometry(), saved);
        else
            QVERIFY(form->geometry() != saved);
        // As large as the screen allows, never shrunk below what was saved
        // when that fits.
        const int frameWidth = form->frameGeometry().width() - form->width();
        const int frameHeight = form->frameGeometry().height() - form->height();
        QCOMPARE(form->width(), qMin(saved.width(), available().width() - frameWidth));
        QCOMPARE(form->height(), qMin(saved.height(), available().height() - frameHeight));
        form->close();
    }

    void fitToScreenPicksTheScreenItOpensOn()
    {
        const QRect left(0, 0, 1366, 728);
        const QRect right(1366, 0, 1920, 1040);
        // On the right-hand screen, which is large enough: unchanged.
        QCOMPARE(konfig::FitToScreen(QRect(1400, 100, 1800, 900), {left, right}, left), QRect(1400, 100, 1800, 900));
        // Sticking out of it on the right: moved in, not shrunk.
        QCOMPARE(konfig::FitToScreen(QRect(1500, 100, 1800, 900), {left, right}, left), QRect(1486, 100, 1800, 900));
        // Its middle on the left-hand screen: fitted there.
        QCOMPARE(konfig::FitToScreen(QRect(200, 100, 1800, 900), {left, right}, left), QRect(0, 0, 1366, 728));
        // The frame counts: a title bar of 30 stays on the screen.
        QCOMPARE(konfig::FitToScreen(QRect(10, 10, 800, 600), {left}, left, QMargins(2, 30, 2, 2)),
                 QRect(10, 30, 800, 600));
        // No screen known: left alone.
        QCOMPARE(konfig::FitToScreen(QRect(10, 10, 800, 600), {}, QRect()), QRect(10, 10, 800, 600));
    }

    void maximisedSurvivesTheTray()
    {
        auto form = start();
        form->showMaximized();
        QCoreApplication::processEvents();
        QVERIFY(form->isMaximized());
        form->setWindowState(form->windowState() | Qt::WindowMinimized);
        QCoreApplication::processEvents();
        form->Pokaz1Click();
        QCoreApplication::processEvents();
        QVERIFY(form->isMaximized());
        QVERIFY(!form->isMinimized());

        // A window that was not maximised comes back as it was.
        form->showNormal();
        QCoreApplication::processEvents();
        form->setWindowState(Qt::WindowMinimized);
        QCoreApplication::processEvents();
        form->Pokaz1Click();
        QCoreApplication::processEvents();
        QVERIFY(!form->isMaximized());
        QVERIFY(!form->isMinimized());
        form->close();
    }

    void historyWindowKeepsItsSize()
    {
        const QString page = QStringLiteral("http://127.0.0.1/ogloszenia.html");
        {
            HistoryWindow window(m_dir->path(), page, QStringLiteral("Tuchola"));
            window.show();
            QCoreApplication::processEvents();
            window.resize(1010, 640);
            QCoreApplication::processEvents();
            window.hide();
        }
        {
            HistoryWindow window(m_dir->path(), page, QStringLiteral("Cekcyn"));
            window.show();
            QCoreApplication::processEvents();
            QCOMPARE(window.size(), QSize(1010, 640));
            window.hide();
        }
        // A size saved on a larger screen is fitted to this one.
        QVERIFY(konfig::SaveWindowPlace(konfig::WindowLayoutPath(m_dir->path()), QStringLiteral("Historia"),
                                        QRect(0, 0, 2400, 1500)));
        HistoryWindow window(m_dir->path(), page, QStringLiteral("Tuchola"));
        window.show();
        QCoreApplication::processEvents();
        QVERIFY(window.width() <= available().width());
        QVERIFY(window.height() <= available().height());
        QVERIFY(window.width() > 820); // as large as the screen allows, not the first size
    }

    void fileDialogsStartInTheDataFolderThenTheLastOne()
    {
        QTemporaryDir elsewhere;
        const QString data = QDir(m_dir->path()).absolutePath();
        const QString other = QDir(elsewhere.path()).absolutePath();
        const QString csv = QDir(other).filePath(QStringLiteral("gminy.csv"));
        QVERIFY(testdata::writeAll(csv, "Gmina\r\n"));
        QString openedIn;
        {
            QtDialogs dialogs;
            dialogs.setDataDirectory(data);
            answerFileDialog(&openedIn, QString());
            QVERIFY(dialogs.openFileName(QStringLiteral("Pliki CSV (*.csv)")).isEmpty());
            QCOMPARE(openedIn, data);

            answerFileDialog(&openedIn, csv);
            QCOMPARE(dialogs.openFileName(QStringLiteral("Pliki CSV (*.csv)")), csv);
            QCOMPARE(openedIn, data);

            // The save dialog of an export starts where the import was.
            answerFileDialog(&openedIn, QString());
            QVERIFY(dialogs.saveFileName(QStringLiteral("rejestr.csv"), QStringLiteral("Pliki CSV (*.csv)")).isEmpty());
            QCOMPARE(openedIn, other);
        }
        // The next session too; config.ini is not touched.
        QtDialogs next;
        next.setDataDirectory(data);
        answerFileDialog(&openedIn, QString());
        next.openFileName(QStringLiteral("Pliki CSV (*.csv)"));
        QCOMPARE(openedIn, other);
        QVERIFY(!QFile::exists(QDir(data).filePath(QStringLiteral("config.ini"))));

        // A remembered folder that is gone: the data folder again.
        QVERIFY(elsewhere.remove());
        QtDialogs after;
        after.setDataDirectory(data);
        answerFileDialog(&openedIn, QString());
        after.openFileName(QStringLiteral("Pliki CSV (*.csv)"));
        QCOMPARE(openedIn, data);
    }

    // Every colour of the kod table: the selected row is framed and
    // written in a colour that stands out from it at least 4.5 to 1, the
    // same row unselected keeps its plain colour, and the colour itself is
    // the table's.
    void selectedRowStandsOutOnEveryRowColour()
    {
        {
            baza::Baza b(m_dir->path());
            b.OpenTable();
            for (const baza::CheckCodeLook& look : baza::CheckCodeTable())
                for (int twin = 0; twin < 2; ++twin) {
                    b.table().append();
                    b.table().setText(baza::Gmina, QStringLiteral("Gmina Kamień Pomorski"));
                    b.table().setInteger(baza::Kod, int(look.code));
                    b.table().post();
                }
            b.table().close();
        }
        auto form = start();
        QTableView* grid = form->grid();
        int checked = 0;
        for (const baza::CheckCodeLook& look : baza::CheckCodeTable()) {
            if (!look.colour)
                continue;
            const QColor colour(baza::RedOf(*look.colour), baza::GreenOf(*look.colour), baza::BlueOf(*look.colour));
            const int row = 2 * int(look.code);
            grid->setCurrentIndex(grid->model()->index(row, baza::Gmina));
            QCoreApplication::processEvents();
            const QImage image = grid->viewport()->grab().toImage();
            const QRect cell = grid->visualRect(grid->model()->index(row, baza::Gmina));
            const QRect twin = grid->visualRect(grid->model()->index(row + 1, baza::Gmina));
            const QString what = look.shortText;

            // The frame above and below, all along the cell.
            for (int x = cell.left(); x <= cell.right(); ++x)
                for (int y : {cell.top() + 1, cell.bottom() - 1}) {
                    const QColor frame = image.pixelColor(x, y);
                    QVERIFY2(contrast(frame, colour) >= 4.5,
                             qPrintable(QStringLiteral("%1: frame %2 on %3").arg(what, frame.name(), colour.name())));
                }
            // The text: its strongest pixel stands out as much.
            double strongest = 0;
            for (int y = cell.top() + 4; y <= cell.bottom() - 4; ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    strongest = qMax(strongest, contrast(image.pixelColor(x, y), colour));
            QVERIFY2(strongest >= 4.5, qPrintable(QStringLiteral("%1: text %2").arg(what).arg(strongest)));
            // Between text and frame, the row's own colour.
            QCOMPARE(image.pixelColor(cell.right() - 2, cell.center().y()), colour);
            // The unselected twin has no frame: the selection shows.
            QCOMPARE(image.pixelColor(twin.center().x(), twin.top() + 1), colour);
            ++checked;
        }
        QCOMPARE(checked, 5);
        form->close();
    }
};

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestWindowPlace test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowplace.moc"
