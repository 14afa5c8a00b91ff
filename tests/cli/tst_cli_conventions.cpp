// ekowarta-cli's conventions: help for every command in all three forms,
// --version, the data folder the help names, LP accepted for RECNO, an empty
// result said in words, and manual pages made of the same text as the help.
#include "baza/baza.h"
#include "baza/fields.h"
#include "support/testdata.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

using testdata::run;

class TestCliConventions : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList dir() const { return {QStringLiteral("--dir"), m_dir.path()}; }
    testdata::ProcessResult cli(const QStringList& args) { return run(QStringLiteral("ekowarta-cli"), dir() + args); }

    // The command names as the general help lists them.
    QStringList commandNames()
    {
        const QString help = QString::fromUtf8(cli({QStringLiteral("--help")}).out);
        QStringList names;
        bool inList = false;
        for (const QString& line : help.split(QLatin1Char('\n'))) {
            if (line == QLatin1String("Polecenia:"))
                inList = true;
            else if (inList && line.startsWith(QLatin1String("  ")) && !line.startsWith(QLatin1String("   ")))
                names << line.trimmed().section(QLatin1Char(' '), 0, 0);
        }
        return names;
    }

private Q_SLOTS:
    void everyCommandHasItsHelp()
    {
        const QStringList names = commandNames();
        QVERIFY2(names.size() >= 15, qPrintable(names.join(QLatin1Char(' '))));
        for (const char* expected : {"list", "mark", "run", "schedule", "publish"})
            QVERIFY2(names.contains(QLatin1String(expected)), expected);
        for (const QString& name : names) {
            const auto byHelp = cli({QStringLiteral("help"), name});
            QCOMPARE(byHelp.exitCode, 0);
            QVERIFY2(byHelp.out.startsWith("Użycie: ekowarta-cli [--dir KATALOG] " + name.toUtf8()), byHelp.out.constData());
            for (const char* flag : {"--help", "-h"}) {
                const auto r = cli({name, QString::fromLatin1(flag)});
                QCOMPARE(r.exitCode, 0);
                QCOMPARE(r.out, byHelp.out);
            }
            // A command whose arguments take a RECNO says what it is.
            if (byHelp.out.contains("RECNO"))
                QVERIFY2(byHelp.out.contains("lp:N"), qPrintable(name));
        }
        const auto unknown = cli({QStringLiteral("help"), QStringLiteral("nic")});
        QCOMPARE(unknown.exitCode, 2);
        QVERIFY(unknown.out.isEmpty());
        QVERIFY(QString::fromUtf8(unknown.err).contains(QStringLiteral("nieznane polecenie \"nic\"")));
    }

    void versionAndDataFolder()
    {
        const auto v = run(QStringLiteral("ekowarta-cli"), {QStringLiteral("--version")});
        QCOMPARE(v.exitCode, 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^ekowarta-cli \\d+\\.\\d+\\.\\d+ \\(zbudowano \\d{4}-\\d\\d-\\d\\d\\)\\n$"))
                     .match(QString::fromUtf8(v.out))
                     .hasMatch(),
                 v.out.constData());
        const QString help = QString::fromUtf8(cli({QStringLiteral("--help")}).out);
        QVERIFY(help.contains(QStringLiteral("~/.local/share/ekowarta")));
        QVERIFY2(help.contains(QStringLiteral("Tutaj jest to: ") + QDir(m_dir.path()).absolutePath() + QLatin1Char('/')), qPrintable(help));
        // The build tree's own folder when no --dir is given.
        const QString own = QString::fromUtf8(run(QStringLiteral("ekowarta-cli"), {QStringLiteral("--help")}).out);
        QVERIFY(own.contains(QStringLiteral("Tutaj jest to: ") + testdata::binDir() + QLatin1Char('/')));
    }

    // After a deletion and packing, LP and RECNO part: lp:N finds the
    // record by LP.
    void lpNamesARecord()
    {
        QFile::remove(m_dir.filePath(QStringLiteral("baza.dbf")));
        {
            baza::Baza b(m_dir.path());
            b.OpenTable();
            for (const char* g : {"Pierwsza", "Druga", "Trzecia"}) {
                b.table().append();
                b.table().setText(baza::Gmina, QString::fromUtf8(g));
                b.table().post();
            }
            b.table().setRecNo(1);
            b.table().deleteRecord();
            b.table().close();
            b.PackTable();
        }
        QCOMPARE(cli({QStringLiteral("mark"), QStringLiteral("lp:3"), QStringLiteral("2")}).exitCode, 0);
        const QStringList lines = QString::fromUtf8(cli({QStringLiteral("list")}).out).split(QLatin1Char('\n'));
        QVERIFY2(lines.value(2).startsWith(QStringLiteral("2\t3\tTrzecia\t")), qPrintable(lines.value(2)));
        QCOMPARE(lines.value(2).section(QLatin1Char('\t'), 10, 10), QStringLiteral("2"));
        for (const char* bad : {"lp:1", "lp:x", "lp:0"}) {
            const auto r = cli({QStringLiteral("mark"), QString::fromLatin1(bad), QStringLiteral("1")});
            QCOMPARE(r.exitCode, 2);
            QVERIFY2(r.err.contains("LP"), r.err.constData());
        }
    }

    void emptyFailingListIsSaid()
    {
        QFile::remove(m_dir.filePath(QStringLiteral("baza.dbf")));
        {
            baza::Baza b(m_dir.path());
            b.OpenTable();
            b.table().close();
        }
        const auto r = cli({QStringLiteral("list"), QStringLiteral("--failing")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(QString::fromUtf8(r.err).startsWith(QStringLiteral("Brak stron niedostępnych")), r.err.constData());
    }

    // A setting the command cannot use as written is said on stderr with
    // the value used instead; the command goes on with it.
    void badSettingsAreSaidOnStderr()
    {
        QFile::remove(m_dir.filePath(QStringLiteral("baza.dbf")));
        {
            baza::Baza b(m_dir.path());
            b.OpenTable();
            b.table().close();
        }
        QVERIFY(testdata::writeAll(m_dir.filePath(QStringLiteral("config.ini")),
                                   "[opcje]\r\nalarm=999\r\nprzerwa=nan\r\n"));
        const auto r = cli({QStringLiteral("list"), QStringLiteral("--failing")});
        QFile::remove(m_dir.filePath(QStringLiteral("config.ini")));
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = QString::fromUtf8(r.err).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 3, r.err.constData());
        QCOMPARE(lines[0], QStringLiteral("ekowarta-cli list: Ustawienie przerwa=nan w pliku config.ini nie jest liczbą "
                                          "całkowitą; program używa wartości 1000."));
        QCOMPARE(lines[1], QStringLiteral("ekowarta-cli list: Ustawienie alarm=999 w pliku config.ini jest poza zakresem "
                                          "1–20; program używa wartości 20."));
        QVERIFY(lines[2].startsWith(QStringLiteral("Brak stron niedostępnych")));
    }

    // The pages hold every command's synopsis as the help gives it, and
    // man finds nothing to warn about.
    void manualPagesFollowTheHelp()
    {
        const auto page = run(QStringLiteral("ekowarta-cli"), {QStringLiteral("--manual-page"), QStringLiteral("ekowarta-cli")});
        QCOMPARE(page.exitCode, 0);
        const QString text = QString::fromUtf8(page.out);
        QVERIFY(text.startsWith(QStringLiteral(".TH EKOWARTA-CLI 1 ")));
        for (const QString& name : commandNames()) {
            const QString synopsis = QString::fromUtf8(cli({QStringLiteral("help"), name}).out)
                                         .section(QLatin1Char('\n'), 0, 0)
                                         .mid(QStringLiteral("Użycie: ekowarta-cli [--dir KATALOG] ").size());
            QVERIFY2(text.contains(QStringLiteral(".B ") + QString(synopsis).replace(QLatin1Char('-'), QStringLiteral("\\-"))),
                     qPrintable(synopsis));
        }
        QCOMPARE(run(QStringLiteral("ekowarta-cli"), {QStringLiteral("--manual-page"), QStringLiteral("nic")}).exitCode, 2);
        const QString man = QStandardPaths::findExecutable(QStringLiteral("man"));
        if (man.isEmpty())
            QSKIP("man is not installed");
        for (const char* program : {"ekowarta-cli", "ekowarta"}) {
            const auto roff = run(QStringLiteral("ekowarta-cli"), {QStringLiteral("--manual-page"), QString::fromLatin1(program)});
            QTemporaryFile file;
            QVERIFY(file.open());
            file.write(roff.out);
            file.close();
            QProcess p;
            p.start(man, {QStringLiteral("-l"), QStringLiteral("-E"), QStringLiteral("UTF-8"), QStringLiteral("--warnings"), file.fileName()});
            QVERIFY(p.waitForFinished(20000));
            QCOMPARE(p.exitCode(), 0);
            const QByteArray warnings = p.readAllStandardError();
            QVERIFY2(warnings.isEmpty(), warnings.constData());
            QVERIFY(p.readAllStandardOutput().contains("NAZWA"));
        }
    }
};

QTEST_GUILESS_MAIN(TestCliConventions)
#include "tst_cli_conventions.moc"
