// The main window and the dialogs fit their screen and their texts: every
// visible column at the first start, the layout remembered in okno.ini
// (config.ini untouched), no caption or title cut, the grid readable while
// it is locked. Run on the default offscreen screen, on 1366×768 and on
// 1366×768 at 125 % (see CMakeLists.txt).
#include "baza/baza.h"
#include "baza/fields.h"
#include "ekowartaapplication.h"
#include "konfig/settings.h"
#include "qtdialogs.h"
#include "registermodel.h"
#include "support/scripteddialogs.h"
#include "support/testdata.h"
#include "tform1.h"
#include "tform3.h"
#include "tform4.h"
#include "titlewidth.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QtTest>

class TestLayout : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedDialogs m_dialogs;
    Settings m_settings;

    void fill(const QList<int>& kods)
    {
        baza::Baza b(m_dir->path());
        b.OpenTable();
        for (int kod : kods) {
            b.table().append();
            b.table().setText(baza::Gmina, QStringLiteral("Gmina %1").arg(kod));
            b.table().setText(baza::Natura2000, QStringLiteral("Ostoja Nadgoplańska PLH040007"));
            b.table().setInteger(baza::Kod, kod);
            b.table().post();
        }
        b.table().close();
    }

    std::unique_ptr<TForm1> start()
    {
        auto form = std::make_unique<TForm1>(m_settings, m_dialogs, m_dir->path());
        form->show();
        QCoreApplication::processEvents();
        return form;
    }

    // Every label and button shows its whole text.
    static void verifyNothingClipped(QWidget* window)
    {
        for (QLabel* l : window->findChildren<QLabel*>()) {
            if (!l->isVisibleTo(window) || l->text().isEmpty() || l->wordWrap())
                continue;
            QVERIFY2(l->width() >= l->sizeHint().width() && l->height() >= l->minimumSizeHint().height(),
                     qPrintable(l->text()));
        }
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
            if (!b->isVisibleTo(window) || b->text().isEmpty())
                continue;
            QVERIFY2(b->width() >= b->minimumSizeHint().width(), qPrintable(b->text()));
        }
        QVERIFY2(window->width() >= TitleWidth(window, window->windowTitle()), qPrintable(window->windowTitle()));
    }

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void firstStartShowsEveryVisibleColumn();
    void layoutIsRememberedBesideConfigIni();
    void dialogsAndMessageBoxesShowTheirWholeTexts();
    void lockedGridStaysReadableWithTheCurrentRowFramed();
};

void TestLayout::firstStartShowsEveryVisibleColumn()
{
    fill({0, 1, 2});
    auto form = start();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(available.contains(form->geometry()));
    QTableView* grid = form->grid();
    QHeaderView* header = grid->horizontalHeader();
    const int room = grid->viewport()->width();
    int visible = 0;
    for (int c = 0; c < form->model().columnCount(); ++c) {
        if (grid->isColumnHidden(c))
            continue;
        ++visible;
        QVERIFY2(header->sectionViewportPosition(c) + header->sectionSize(c) <= room,
                 qPrintable(form->model().fieldName(c)));
        // Each title readable in its column.
        QVERIFY2(header->sectionSize(c) >= header->fontMetrics().horizontalAdvance(form->model().fieldName(c)) ||
                     c == baza::LP,
                 qPrintable(form->model().fieldName(c)));
    }
    QCOMPARE(visible, 7);
    if (available.width() >= 1366 - 16) // room enough for a long name
        QVERIFY(grid->columnWidth(baza::Gmina) >= grid->fontMetrics().horizontalAdvance(QStringLiteral("Gmina Kamień Pomorski")));
    form->close();
}

void TestLayout::layoutIsRememberedBesideConfigIni()
{
    fill({0, 3});
    const QString config = m_dir->filePath(QStringLiteral("config.ini"));
    const QByteArray settings("[opcje]\r\ntray=0\r\nczas=2\r\n");
    testdata::writeAll(config, settings);

    auto form = start();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect place(available.x() + 20, available.y() + 30, available.width() - 100, available.height() - 120);
    form->setGeometry(place);
    QCoreApplication::processEvents();
    auto* splitter = form->findChild<QSplitter*>(QStringLiteral("Splitter1"));
    splitter->setSizes({200, splitter->height() - 200 - splitter->handleWidth()});
    const QList<int> split = splitter->sizes();
    form->grid()->horizontalHeader()->resizeSection(baza::Gmina, 251);
    // A sort reopens the columns; the user's width stays.
    form->DBGrid1TitleClick(baza::Gmina);
    QCOMPARE(form->grid()->columnWidth(baza::Gmina), 251);
    form->close();
    form.reset();

    QCOMPARE(testdata::readAll(config), settings); // the settings file as it was
    const QByteArray stored = testdata::readAll(m_dir->filePath(QStringLiteral("okno.ini")));
    QVERIFY2(stored.contains("[TForm1]\r\n") && stored.contains("szerokosc="), stored.constData());

    form = start();
    QCOMPARE(form->geometry(), place);
    QCOMPARE(form->findChild<QSplitter*>(QStringLiteral("Splitter1"))->sizes(), split);
    QCOMPARE(form->grid()->columnWidth(baza::Gmina), 251);
    QVERIFY(form->grid()->isColumnHidden(baza::Kod));
    form->close();
}

void TestLayout::dialogsAndMessageBoxesShowTheirWholeTexts()
{
    fill({0});
    auto form = start();
    TForm3 editor(form->baza(), m_dialogs, form.get());
    editor.LoadEditor();
    editor.show();
    QCoreApplication::processEvents();
    verifyNothingClipped(&editor);
    editor.hide();

    TForm4 configuration(m_settings, m_dialogs, m_dir->filePath(QStringLiteral("config.ini")), form.get());
    configuration.show();
    QCoreApplication::processEvents();
    verifyNothingClipped(&configuration);
    auto* label1 = configuration.findChild<QLabel*>(QStringLiteral("Label1"));
    QCOMPARE(label1->text(), QStringLiteral("Maksymalny czas kontroli jednej strony"));
    QVERIFY(label1->height() >= label1->fontMetrics().height());
    configuration.hide();

    QtDialogs dialogs;
    dialogs.setParentWidget(form.get());
    int checked = 0;
    auto checkBox = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        QVERIFY2(box->width() >= TitleWidth(box, box->windowTitle()), qPrintable(box->windowTitle()));
        ++checked;
        box->close();
    };
    QTimer::singleShot(100, this, checkBox);
    dialogs.message(QStringLiteral("Brak pliku instrukcji"));
    QTimer::singleShot(100, this, checkBox);
    dialogs.question(QStringLiteral("Plik o podanej nazwie już istnieje.\r\nChcesz go nadpisać?"), Dialogs::Buttons::YesNo);
    QCOMPARE(checked, 2);
    form->close();
}

void TestLayout::lockedGridStaysReadableWithTheCurrentRowFramed()
{
    fill({1, 0, 3});
    auto form = start();
    QTableView* grid = form->grid();
    grid->setCurrentIndex(form->model().index(0, baza::Gmina));
    grid->setEnabled(false); // as during a run
    QCoreApplication::processEvents();
    const QImage image = grid->viewport()->grab().toImage();
    for (int row : {0, 1, 2}) {
        const QRect cell = grid->visualRect(form->model().index(row, baza::Gmina));
        int darkest = 255;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                darkest = qMin(darkest, qGray(image.pixelColor(x, y).rgb()));
        // A frame line all along the cell, in black on silver (the image
        // has the screen's pixels, which a scale factor makes more).
        const qreal scale = image.devicePixelRatio();
        const int lineY = qRound((cell.top() + 1.5) * scale);
        bool framed = true;
        for (int x = qRound((cell.left() + 2) * scale); x <= qRound((cell.right() - 2) * scale); ++x)
            framed = framed && image.pixelColor(x, lineY) == QColor(Qt::black);
        // Dark text on every row colour (kod 3 is grey 128).
        QVERIFY2(darkest < 60, qPrintable(QStringLiteral("row %1: darkest %2").arg(row).arg(darkest)));
        if (row == 0)
            QVERIFY2(framed, "the current row on silver is framed"); // current row visible on its colour
    }
    form->close();
}

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestLayout test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_layout.moc"
