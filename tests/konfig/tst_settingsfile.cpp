#include "support/testdata.h"
#include "konfig/password.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "platform/fileerror.h"
#include "text/cp1250.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace konfig;

class TestSettingsFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    void writeRaw(const QByteArray& bytes) { QVERIFY(testdata::writeAll(m_path, bytes)); }
    QByteArray raw() const { return testdata::readAll(m_path); }
    static void fill(Settings& s)
    {
        s.tray = true;
        s.timeLimitIndex = 2;
        s.removeOlderEntries = false;
        s.limitEntries = true;
        s.entryCountPosition = 35;
        s.entryCountText = QStringLiteral("35");
        s.host = QStringLiteral("ftp.gmina.pl");
        s.directory = QStringLiteral("/www");
        s.user = QStringLiteral("jan");
        s.password = QStringLiteral("abc");
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("config.ini"));
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(m_path);
    }

    void defaultsWithoutFile()
    {
        Settings s;
        QSignalSpy changed(&s, &Settings::changed);
        LoadSettings(s, m_path);
        QCOMPARE(s.timeLimitIndex, 1); // "1 min"
        QCOMPARE(s.timeLimitSeconds(), 60);
        QCOMPARE(s.entryCountPosition, 20);
        QCOMPARE(s.entryCountText, QStringLiteral("20"));
        QVERIFY(!s.tray);
        QVERIFY(!s.removeOlderEntries);
        QVERIFY(!s.limitEntries);
        QVERIFY(s.host.isEmpty() && s.directory.isEmpty() && s.user.isEmpty() && s.password.isEmpty());
        QCOMPARE(changed.count(), 1);
        QVERIFY(!QFile::exists(m_path)); // reading creates nothing
    }

    void timeLimit_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("index");
        QTest::newRow("2") << QByteArray("2") << 2;
        QTest::newRow("0") << QByteArray("0") << 0;
        QTest::newRow("4") << QByteArray("4") << 4;
        QTest::newRow("abc gives 1 min") << QByteArray("abc") << 1;
        QTest::newRow("empty gives 1 min") << QByteArray("") << 1;
        QTest::newRow("7 selects nothing") << QByteArray("7") << -1;
        QTest::newRow("5 selects nothing") << QByteArray("5") << -1;
        QTest::newRow("-1 selects nothing") << QByteArray("-1") << -1;
        QTest::newRow("2.5 is no whole number") << QByteArray("2.5") << 1;
    }
    void timeLimit()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, index);
        writeRaw("[opcje]\r\nczas=" + value + "\r\n");
        Settings s;
        LoadSettings(s, m_path);
        QCOMPARE(s.timeLimitIndex, index);
    }

    void checkBoxes_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("yes") << QByteArray("yes") << false;
        QTest::newRow("0") << QByteArray("0") << false;
        QTest::newRow("01") << QByteArray("01") << false;
        QTest::newRow("true") << QByteArray("true") << false;
    }
    void checkBoxes()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, ticked);
        for (const char* key : {"tray", "dubl", "wpisy"}) {
            writeRaw("[opcje]\r\n" + QByteArray(key) + "=" + value + "\r\n");
            Settings s;
            LoadSettings(s, m_path);
            const bool got = QByteArray(key) == "tray" ? s.tray
                             : QByteArray(key) == "dubl" ? s.removeOlderEntries
                                                          : s.limitEntries;
            QVERIFY2(got == ticked, key);
        }
    }

    void entryCount_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("position");
        QTest::newRow("35") << QByteArray("35") << 35;
        QTest::newRow("1") << QByteArray("1") << 1;
        QTest::newRow("1000") << QByteArray("1000") << 1000;
        QTest::newRow("abc gives 20") << QByteArray("abc") << 20;
        QTest::newRow("grouped digits give 20") << QByteArray("1\xa0" "000") << 20;
        QTest::newRow("too big for a number gives 20") << QByteArray("99999999999") << 20;
        QTest::newRow("1001 stops at 1000") << QByteArray("1001") << 1000;
        QTest::newRow("70000 stops at 1000") << QByteArray("70000") << 1000;
        QTest::newRow("0 stops at 1") << QByteArray("0") << 1;
        QTest::newRow("-5 stops at 1") << QByteArray("-5") << 1;
    }
    void entryCount()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, position);
        writeRaw("[opcje]\r\nlicz=" + value + "\r\n");
        Settings s;
        LoadSettings(s, m_path);
        QCOMPARE(s.entryCountPosition, position);
        QCOMPARE(s.entryCountText, QString::number(position)); // no digit grouping
    }

    // A value the program cannot use is never replaced without a word: the
    // line says what was read and what is used instead.
    void badValuesAreToldWithWhatIsUsed_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("told");
        const auto told = [](const char* text) { return QString::fromUtf8(text); };
        QTest::newRow("watki=999") << QByteArray("watki=999")
                                   << told("Ustawienie watki=999 w pliku config.ini jest poza zakresem 1–16; "
                                           "program używa wartości 16.");
        QTest::newRow("watki=0") << QByteArray("watki=0")
                                 << told("Ustawienie watki=0 w pliku config.ini jest poza zakresem 1–16; "
                                         "program używa wartości 1.");
        QTest::newRow("przerwa=nan") << QByteArray("przerwa=nan")
                                     << told("Ustawienie przerwa=nan w pliku config.ini nie jest liczbą całkowitą; "
                                             "program używa wartości 1000.");
        QTest::newRow("przerwa=-1") << QByteArray("przerwa=-1")
                                    << told("Ustawienie przerwa=-1 w pliku config.ini jest poza zakresem 0–600000; "
                                            "program używa wartości 0.");
        QTest::newRow("alarm=abc") << QByteArray("alarm=abc")
                                   << told("Ustawienie alarm=abc w pliku config.ini nie jest liczbą całkowitą; "
                                           "program używa wartości 3.");
        QTest::newRow("licz=70000") << QByteArray("licz=70000")
                                    << told("Ustawienie licz=70000 w pliku config.ini jest poza zakresem 1–1000; "
                                            "program używa wartości 1000.");
        QTest::newRow("czas=7") << QByteArray("czas=7")
                                << told("Ustawienie czas=7 w pliku config.ini nie wskazuje pozycji listy 0–4; program "
                                        "używa wartości -1 (kontrola strony bez limitu czasu).");
        QTest::newRow("czas=abc") << QByteArray("czas=abc")
                                  << told("Ustawienie czas=abc w pliku config.ini nie jest liczbą całkowitą; program "
                                          "używa wartości 1.");
        QTest::newRow("tray=tak") << QByteArray("tray=tak")
                                  << told("Ustawienie tray=tak w pliku config.ini nie jest 0 ani 1; program używa "
                                          "wartości 0.");
        QTest::newRow("godzina=25:00") << QByteArray("godzina=25:00")
                                       << told("Ustawienie godzina=25:00 w pliku config.ini nie jest godziną GG:MM; "
                                               "program używa wartości 06:00.");
        QTest::newRow("sound values") << QByteArray("watki=4\r\nprzerwa=0\r\nczas=4\r\ntray=0\r\nlicz=1000")
                                      << QString();
        QTest::newRow("keys left out") << QByteArray("host=ftp.gmina.pl") << QString();
        QTest::newRow("czas=-1, as saved with nothing selected") << QByteArray("czas=-1") << QString();
    }
    void badValuesAreToldWithWhatIsUsed()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, told);
        writeRaw("[opcje]\r\n" + line + "\r\n");
        Settings s;
        LoadSettings(s, m_path);
        QCOMPARE(s.corrections, told.isEmpty() ? QStringList() : QStringList{told});
        LoadSettings(s, m_path); // told once per reading, not gathered
        QCOMPARE(s.corrections.size(), told.isEmpty() ? 0 : 1);
    }

    void saveWritesNineKeysInOrder()
    {
        Settings s;
        fill(s);
        SaveSettings(s, m_path);
        QCOMPARE(raw(), QByteArray("[opcje]\r\ntray=1\r\nczas=2\r\ndubl=0\r\nwpisy=1\r\nlicz=35\r\n"
                                   "host=ftp.gmina.pl\r\ndir=/www\r\nuser=jan\r\npass=```\r\n"));
    }

    void saveWritesWhatIsShown_data()
    {
        QTest::addColumn<int>("timeLimitIndex");
        QTest::addColumn<QString>("entryCountText");
        QTest::addColumn<QByteArray>("czas");
        QTest::addColumn<QByteArray>("licz");
        QTest::newRow("no selection") << -1 << "20" << QByteArray("czas=-1") << QByteArray("licz=20");
        QTest::newRow("text as shown") << 0 << "1 000" << QByteArray("czas=0") << QByteArray("licz=1 000");
    }
    void saveWritesWhatIsShown()
    {
        QFETCH(int, timeLimitIndex);
        QFETCH(QString, entryCountText);
        QFETCH(QByteArray, czas);
        QFETCH(QByteArray, licz);
        Settings s;
        s.timeLimitIndex = timeLimitIndex;
        s.entryCountText = entryCountText;
        SaveSettings(s, m_path);
        QVERIFY(raw().contains("\r\n" + czas + "\r\n"));
        QVERIFY(raw().contains("\r\n" + licz + "\r\n"));
    }

    void saveAndLoadRoundTrip()
    {
        Settings saved;
        fill(saved);
        saved.user = QString::fromUtf8("Łucja Żółć");
        saved.password = QString::fromUtf8("zażółć gęślą jaźń");
        SaveSettings(saved, m_path);
        Settings loaded;
        LoadSettings(loaded, m_path);
        QCOMPARE(loaded.tray, saved.tray);
        QCOMPARE(loaded.timeLimitIndex, saved.timeLimitIndex);
        QCOMPARE(loaded.removeOlderEntries, saved.removeOlderEntries);
        QCOMPARE(loaded.limitEntries, saved.limitEntries);
        QCOMPARE(loaded.entryCountPosition, saved.entryCountPosition);
        QCOMPARE(loaded.entryCountText, saved.entryCountText);
        QCOMPARE(loaded.host, saved.host);
        QCOMPARE(loaded.directory, saved.directory);
        QCOMPARE(loaded.user, saved.user);
        QCOMPARE(loaded.password, saved.password);
        // The file is Windows-1250, CR LF.
        QVERIFY(raw().contains("user=\xa3" "ucja \xaf\xf3\xb3\xe6\r\n"));
    }

    void saveLeavesOtherSectionsAndKeys()
    {
        const QByteArray before("; ustawienia\r\n[okno]\r\nx=10\r\ntray=0\r\n\r\n[OPCJE]\r\nTRAY=0\r\nwlasny=tak\r\n"
                                "Czas=4\r\n\r\n[inne]\r\nhost=zostaje\r\n");
        writeRaw(before);
        Settings s;
        fill(s);
        SaveSettings(s, m_path);
        QCOMPARE(raw(), QByteArray("; ustawienia\r\n[okno]\r\nx=10\r\ntray=0\r\n\r\n[OPCJE]\r\nTRAY=1\r\nwlasny=tak\r\n"
                                   "Czas=2\r\ndubl=0\r\nwpisy=1\r\nlicz=35\r\nhost=ftp.gmina.pl\r\ndir=/www\r\n"
                                   "user=jan\r\npass=```\r\n\r\n[inne]\r\nhost=zostaje\r\n"));
    }

    void namesIgnoreCase()
    {
        writeRaw("[OPCJE]\r\nTRAY=1\r\nCzas=3\r\nDUBL=1\r\nWpisy=1\r\nLICZ=7\r\nHOST=h\r\nDir=/d\r\nUSER=u\r\nPASS=```\r\n");
        Settings s;
        LoadSettings(s, m_path);
        QVERIFY(s.tray && s.removeOlderEntries && s.limitEntries);
        QCOMPARE(s.timeLimitIndex, 3);
        QCOMPARE(s.entryCountPosition, 7);
        QCOMPARE(s.host, QStringLiteral("h"));
        QCOMPARE(s.directory, QStringLiteral("/d"));
        QCOMPARE(s.user, QStringLiteral("u"));
        QCOMPARE(s.password, QStringLiteral("abc"));
    }

    void readOnlyFileFailsAtTheFirstKey()
    {
        const QByteArray before("[opcje]\r\ntray=0\r\nczas=1\r\n");
        writeRaw(before);
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        Settings s;
        fill(s);
        try {
            SaveSettings(s, m_path);
            QFAIL("SaveSettings wrote a read-only file");
        } catch (const FileError& e) {
            QCOMPARE(e.text(), QStringLiteral("Nie można zapisać pliku \"%1\": plik jest tylko do odczytu").arg(m_path));
        }
        QCOMPARE(raw(), before);
    }

    void unwritableKeyEndsTheSave()
    {
        // A host with a line break in it cannot go into the file: the save
        // stops there, the keys before it are written, the rest keep their
        // old values.
        writeRaw("[opcje]\r\ntray=0\r\nczas=1\r\nhost=stary\r\nuser=stary\r\n");
        Settings s;
        fill(s);
        s.host = QStringLiteral("ftp.gmina.pl\r\nuser=ktos");
        QVERIFY_THROWS_EXCEPTION(FileError, SaveSettings(s, m_path));
        QCOMPARE(raw(), QByteArray("[opcje]\r\ntray=1\r\nczas=2\r\nhost=stary\r\nuser=stary\r\ndubl=0\r\nwpisy=1\r\n"
                                   "licz=35\r\n"));
    }

    void passwordRoundTripsEveryLength_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("random bytes") << "random";
        QTest::newRow("printable") << "printable";
        QTest::newRow("scrambles to line breaks, NUL and quotes") << "worst";
    }
    void passwordRoundTripsEveryLength()
    {
        QFETCH(QString, kind);
        QRandomGenerator random(20090101);
        // Scrambled bytes that the file cannot carry as they are.
        const QByteArray hostile("\r\n\0 \"'\t\x01", 8);
        for (int length = 1; length <= 300; ++length) {
            QByteArray plain(length, Qt::Uninitialized);
            for (int i = 0; i < length; ++i) {
                const auto position = static_cast<unsigned char>(i + 1);
                if (kind == QLatin1String("random"))
                    plain[i] = char(random.bounded(256));
                else if (kind == QLatin1String("printable"))
                    plain[i] = char(33 + random.bounded(94));
                else
                    plain[i] = char(static_cast<unsigned char>(hostile[(i + length) % hostile.size()]) ^ position);
            }
            const QString password = cp1250::toUnicode(plain);
            QFile::remove(m_path);
            Settings saved;
            saved.password = password;
            saved.user = QStringLiteral("after");
            SaveSettings(saved, m_path);
            Settings loaded;
            LoadSettings(loaded, m_path);
            QVERIFY2(loaded.password == password, qPrintable(QStringLiteral("length %1").arg(length)));
            QCOMPARE(loaded.user, QStringLiteral("after"));
            // Ordinary passwords stay in the file exactly as before.
            const QByteArray scrambled = ScramblePasswordBytes(plain);
            if (kind == QLatin1String("printable") && !scrambled.contains('\r') && !scrambled.contains('\n') &&
                !scrambled.contains('\0') && static_cast<unsigned char>(scrambled.front()) > 32 &&
                static_cast<unsigned char>(scrambled.back()) > 32 && scrambled.front() != '"' &&
                scrambled.back() != '"' && scrambled.front() != '\'' && scrambled.back() != '\'')
                QVERIFY(raw().endsWith("\r\npass=" + scrambled + "\r\n"));
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
