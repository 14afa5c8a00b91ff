// The program speaks Polish under the C locale of a cron job or a minimal
// system: Qt's own dialogs and menus from Qt's Polish translation, and every
// date in the Polish form 9.12.2026 (grid, editor, event log, report name).
#include "baza/baza.h"
#include "baza/fields.h"
#include "ekowartaapplication.h"
#include "konfig/settings.h"
#include "polishtranslations.h"
#include "raport/runreport.h"
#include "registermodel.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"
#include "text/datevalue.h"
#include "tform1.h"
#include "tform3.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

class TestPolish : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runsUnderTheCLocale();
    void contextMenuOfAnEditBoxIsPolish();
    void saveDialogIsPolish();
    void datesArePolishInTheGridTheEditorAndTheEventLog();
};

void TestPolish::runsUnderTheCLocale()
{
    // What the other checks prove holds only if the process is not Polish.
    QCOMPARE(QString::fromLatin1(qgetenv("LC_ALL")), QStringLiteral("C"));
    QCOMPARE(QLocale::system().language(), QLocale::C);
    QVERIFY2(QFile::exists(QtTranslationsDirectory() + QStringLiteral("/qtbase_pl.qm")),
             "Qt's Polish translation (qt6-translations-l10n) is not installed");
}

void TestPolish::contextMenuOfAnEditBoxIsPolish()
{
    QLineEdit edit(QStringLiteral("Adamów"));
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator())
            texts << a->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&')); // without the shortcut
    QVERIFY2(texts.contains(QStringLiteral("Cofnij")), qPrintable(texts.join(QLatin1Char('|'))));
    QVERIFY(texts.contains(QStringLiteral("Wklej")));
    QVERIFY(texts.contains(QStringLiteral("Zaznacz wszystko")));
    for (const QString& english : {QStringLiteral("Undo"), QStringLiteral("Paste"), QStringLiteral("Select All")})
        QVERIFY2(!texts.contains(english), qPrintable(english));
}

void TestPolish::saveDialogIsPolish()
{
    QFileDialog dialog(nullptr);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList texts;
    for (const QLabel* l : dialog.findChildren<QLabel*>())
        texts << l->text();
    for (const QPushButton* b : dialog.findChildren<QPushButton*>())
        texts << b->text();
    const QString all = texts.join(QLatin1Char('|'));
    QVERIFY2(all.contains(QStringLiteral("Anuluj")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("Szukaj w:")), qPrintable(all));
    for (const QString& english : {QStringLiteral("Cancel"), QStringLiteral("Look in"), QStringLiteral("Save"),
                                   QStringLiteral("File name")})
        QVERIFY2(!all.contains(english), qPrintable(all));
}

void TestPolish::datesArePolishInTheGridTheEditorAndTheEventLog()
{
    QTemporaryDir dir;
    const double ninthOfDecember = datevalue::fromDate(QDate(2026, 12, 9));
    {
        baza::Baza b(dir.path());
        b.OpenTable();
        b.table().append();
        b.table().setText(baza::Gmina, QStringLiteral("Adamów"));
        b.table().setDate(baza::Aktualizacja, ninthOfDecember);
        b.table().post();
        b.table().close();
    }
    const PinnedClock clock(QDateTime(QDate(2026, 12, 9), QTime(14, 5, 9)));
    ScriptedDialogs dialogs;
    Settings settings;
    TForm1 form(settings, dialogs, dir.path());
    form.show();
    QCoreApplication::processEvents();

    const QModelIndex cell = form.model().index(0, baza::Aktualizacja);
    QCOMPARE(cell.data(Qt::DisplayRole).toString(), QStringLiteral("9.12.2026"));

    TForm3 editor(form.baza(), dialogs, &form);
    editor.LoadEditor();
    QCOMPARE(editor.findChild<QDateEdit*>(QStringLiteral("DateTimePicker1"))->text(), QStringLiteral("9.12.2026"));
    // The zero date of a record never checked shows empty and stays the zero date.
    auto* checked = editor.findChild<QDateEdit*>(QStringLiteral("DateTimePicker2"));
    QVERIFY(checked->text().trimmed().isEmpty());
    QCOMPARE(checked->date(), datevalue::epoch());

    form.report().LogEvent(QStringLiteral("Plik pobrany."));
    QCOMPARE(form.report().events().value(0), QStringLiteral("9.12.2026 14:05:09 => Plik pobrany."));
    QCOMPARE(RunReport::ProposedReportName(), QStringLiteral("raport_9.12.2026.txt"));
}

int main(int argc, char** argv)
{
    EkowartaApplication app(argc, argv);
    TestPolish test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_polish.moc"
