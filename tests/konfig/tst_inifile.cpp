#include "support/testdata.h"
#include "konfig/inifile.h"
#include "text/cp1250.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using konfig::IniFile;

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    void writeRaw(const QByteArray& bytes) { QVERIFY(testdata::writeAll(m_path, bytes)); }
    QByteArray raw() const { return QFile::exists(m_path) ? testdata::readAll(m_path) : QByteArray("<missing>"); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("config.ini"));
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(m_path);
    }

    void readsEmptyWhenMissing_data()
    {
        QTest::addColumn<QByteArray>("file"); // "<none>": no file at all
        QTest::newRow("no file") << QByteArray("<none>");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("other section") << QByteArray("[inne]\r\nczas=2\r\n");
        QTest::newRow("other key") << QByteArray("[opcje]\r\nczasy=2\r\n");
        QTest::newRow("key before any section") << QByteArray("czas=2\r\n[opcje]\r\n");
        QTest::newRow("commented out") << QByteArray("[opcje]\r\n;czas=2\r\n");
        QTest::newRow("key of the next section") << QByteArray("[opcje]\r\ntray=1\r\n[x]\r\nczas=2\r\n");
    }
    void readsEmptyWhenMissing()
    {
        QFETCH(QByteArray, file);
        if (file != "<none>")
            writeRaw(file);
        QCOMPARE(IniFile(m_path).read(QStringLiteral("opcje"), QStringLiteral("czas")), QString());
    }

    void readsValues_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("plain") << QByteArray("[opcje]\r\nczas=2\r\n") << QByteArray("czas") << QByteArray("2");
        QTest::newRow("names ignore case")
            << QByteArray("[OpCjE]\r\nCZAS=3\r\n") << QByteArray("Czas") << QByteArray("3");
        QTest::newRow("Polish capitals in a name match small letters")
            << QByteArray("[opcje]\r\n\xa3\xd3\x44\xaf=1\r\n") << QByteArray("\xb3\xf3\x64\xbf") << QByteArray("1");
        QTest::newRow("blanks around name and value")
            << QByteArray("  [ opcje ]  \r\n  host  =  ftp.gmina.pl \t\r\n") << QByteArray("host")
            << QByteArray("ftp.gmina.pl");
        QTest::newRow("blanks inside value stay")
            << QByteArray("[opcje]\r\nuser=Jan  Kowalski\r\n") << QByteArray("user") << QByteArray("Jan  Kowalski");
        QTest::newRow("double quotes dropped")
            << QByteArray("[opcje]\r\ndir=\" /www \"\r\n") << QByteArray("dir") << QByteArray(" /www ");
        QTest::newRow("single quotes dropped")
            << QByteArray("[opcje]\r\ndir='x'\r\n") << QByteArray("dir") << QByteArray("x");
        QTest::newRow("unmatched quotes stay")
            << QByteArray("[opcje]\r\ndir=\"x'\r\n") << QByteArray("dir") << QByteArray("\"x'");
        QTest::newRow("equals sign in value")
            << QByteArray("[opcje]\r\npass=a=b\r\n") << QByteArray("pass") << QByteArray("a=b");
        QTest::newRow("LF line ends") << QByteArray("[opcje]\nczas=4\nlicz=9") << QByteArray("licz")
                                      << QByteArray("9");
        QTest::newRow("first of two keys")
            << QByteArray("[opcje]\r\nczas=1\r\nczas=2\r\n") << QByteArray("czas") << QByteArray("1");
        QTest::newRow("first of two sections")
            << QByteArray("[opcje]\r\nczas=1\r\n[opcje]\r\nczas=2\r\n") << QByteArray("czas") << QByteArray("1");
        QTest::newRow("Windows-1250 bytes")
            << QByteArray("[opcje]\r\nuser=\xb3\xf3\x64\xbc\r\n") << QByteArray("user") << QByteArray("\xb3\xf3\x64\xbc");
        QTest::newRow("cut to 2047") << QByteArray("[opcje]\r\nhost=" + QByteArray(3000, 'x') + "\r\n")
                                     << QByteArray("host") << QByteArray(2047, 'x');
    }
    void readsValues()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, expected);
        writeRaw(file);
        const IniFile ini(m_path);
        QCOMPARE(ini.readBytes("opcje", key), expected);
        QCOMPARE(ini.read(QStringLiteral("opcje"), cp1250::toUnicode(key)), cp1250::toUnicode(expected));
    }

    void writesOneValue_data()
    {
        QTest::addColumn<QByteArray>("before"); // "<none>": no file
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("creates the file") << QByteArray("<none>") << "czas" << "2"
                                          << QByteArray("[opcje]\r\nczas=2\r\n");
        QTest::newRow("replaces in place, keeps the rest")
            << QByteArray("; moje\r\n[inne]\r\nczas=9\r\n[opcje]\r\nCZAS=1\r\nhost=h\r\n") << "czas" << "3"
            << QByteArray("; moje\r\n[inne]\r\nczas=9\r\n[opcje]\r\nCZAS=3\r\nhost=h\r\n");
        QTest::newRow("adds the key at the end of its section")
            << QByteArray("[OPCJE]\r\ntray=1\r\n\r\n[inne]\r\nk=v\r\n") << "czas" << "2"
            << QByteArray("[OPCJE]\r\ntray=1\r\nczas=2\r\n\r\n[inne]\r\nk=v\r\n");
        QTest::newRow("adds the section at the end")
            << QByteArray("[inne]\r\nk=v") << "czas" << "2" << QByteArray("[inne]\r\nk=v\r\n[opcje]\r\nczas=2\r\n");
        QTest::newRow("LF lines keep their ends")
            << QByteArray("[opcje]\nczas=1\nx=y\n") << "czas" << "0" << QByteArray("[opcje]\nczas=0\nx=y\n");
        QTest::newRow("last line without a break")
            << QByteArray("[opcje]\r\nczas=1") << "czas" << "4" << QByteArray("[opcje]\r\nczas=4\r\n");
        QTest::newRow("empty value") << QByteArray("[opcje]\r\nhost=h\r\n") << "host" << ""
                                     << QByteArray("[opcje]\r\nhost=\r\n");
        QTest::newRow("Windows-1250 bytes") << QByteArray("<none>") << "user" << QString::fromUtf8("Łódź")
                                            << QByteArray("[opcje]\r\nuser=\xa3\xf3\x64\x9f\r\n");
    }
    void writesOneValue()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        if (before != "<none>")
            writeRaw(before);
        IniFile ini(m_path);
        QVERIFY2(ini.write(QStringLiteral("opcje"), key, value), qPrintable(ini.errorString()));
        QCOMPARE(raw(), after);
        QCOMPARE(ini.read(QStringLiteral("opcje"), key), value);
    }

    void refusesWhatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("read-only file") << QString() << "2" << true;
        QTest::newRow("line break in value") << QString() << "a\r\nczas=7" << false;
        QTest::newRow("NUL in value") << QString() << QString(QChar(0)) + "x" << false;
        QTest::newRow("missing directory") << "nie-ma/config.ini" << "2" << false;
    }
    void refusesWhatCannotBeWritten()
    {
        QFETCH(QString, path);
        QFETCH(QString, value);
        QFETCH(bool, readOnly);
        const QByteArray before("[opcje]\r\nczas=1\r\n");
        writeRaw(before);
        if (readOnly)
            QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        IniFile ini(path.isEmpty() ? m_path : m_dir.filePath(path));
        QVERIFY(!ini.write(QStringLiteral("opcje"), QStringLiteral("czas"), value));
        QVERIFY(!ini.errorString().isEmpty());
        QCOMPARE(raw(), before);
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("nie-ma"))));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
