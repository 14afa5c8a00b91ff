// The settings of linked documents: config.ini's dokumenty (1, 0 or a list
// of formats) and dokumentow, a value that cannot be used told with what is
// used instead, what a run then follows; the configuration window's boxes
// are the settings and go into the file.
#include "dokumenty/followdocuments.h"
#include "konfig/inifile.h"
#include "konfig/settings.h"
#include "konfig/settingsfile.h"
#include "support/scripteddialogs.h"
#include "tform4.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QtTest>

class TestDocumentSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString ini() const { return m_dir->filePath(QStringLiteral("config.ini")); }

    void write(const QByteArray& lines)
    {
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("[") + konfig::kSection + "]\r\n" + lines);
    }

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void theFileSaysWhatIsRead_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QStringList>("formats");
        QTest::addColumn<int>("most");
        QTest::addColumn<QString>("told");
        const QStringList byDefault = konfig::DefaultDocumentFormats();
        QTest::newRow("nothing: on, PDF and the XML formats") << QByteArray() << true << byDefault << 10 << QString();
        QTest::newRow("1") << QByteArray("dokumenty=1\r\ndokumentow=3\r\n") << true << byDefault << 3 << QString();
        QTest::newRow("0") << QByteArray("dokumenty=0\r\n") << false << byDefault << 10 << QString();
        QTest::newRow("a list") << QByteArray("dokumenty=pdf, DOC;rtf\r\n") << true
                                << QStringList{QStringLiteral("pdf"), QStringLiteral("doc"), QStringLiteral("rtf")} << 10
                                << QString();
        QTest::newRow("an unknown format")
            << QByteArray("dokumenty=pdf,xls\r\n") << true << byDefault << 10
            << QStringLiteral("Ustawienie dokumenty=pdf,xls w pliku config.ini nie jest 0, 1 ani listą formatów");
        QTest::newRow("too many documents")
            << QByteArray("dokumentow=500\r\n") << true << byDefault << konfig::kMaxDocumentsPerPage
            << QStringLiteral("Ustawienie dokumentow=500 w pliku config.ini jest poza zakresem 1–50; program używa "
                              "wartości 50.");
    }

    void theFileSaysWhatIsRead()
    {
        QFETCH(QByteArray, lines);
        QFETCH(bool, on);
        QFETCH(QStringList, formats);
        QFETCH(int, most);
        QFETCH(QString, told);
        write(lines);
        Settings s;
        konfig::LoadSettings(s, ini());
        QCOMPARE(s.documents, on);
        QCOMPARE(s.documentFormats, formats);
        QCOMPARE(s.documentsPerPage, most);
        if (told.isEmpty())
            QVERIFY2(s.corrections.isEmpty(), qPrintable(s.corrections.join(u'\n')));
        else
            QVERIFY2(s.corrections.size() == 1 && s.corrections.first().startsWith(told),
                     qPrintable(s.corrections.join(u'\n')));
        const dokumenty::Following f = dokumenty::FollowingOf(s);
        QCOMPARE(f.on, on);
        QCOMPARE(f.most, most);
        QCOMPARE(f.formats, QSet<QString>(formats.begin(), formats.end()));
    }

    void aRunFollowsWithThePassPauseAndTheCheckLimit()
    {
        Settings s;
        s.jobs = 4;
        s.hostDelayMs = 1500;
        s.timeLimitIndex = 1;
        dokumenty::Following f = dokumenty::FollowingOf(s);
        QCOMPARE(f.hostPauseMs, 1500);
        QCOMPARE(f.timeLimitSeconds, s.timeLimitSeconds());
        QVERIFY(f.timeLimitSeconds > 0);
        s.jobs = 1; // one page at a time keeps no pause, nor do its documents
        QCOMPARE(dokumenty::FollowingOf(s).hostPauseMs, 0);
        s.documentFormats.clear();
        QVERIFY(!dokumenty::FollowingOf(s).on);
    }

    void theWindowsBoxesAreTheSettings()
    {
        Settings settings;
        ScriptedDialogs dialogs;
        konfig::LoadSettings(settings, ini());
        TForm4 form(settings, dialogs, ini());
        auto* read = form.findChild<QCheckBox*>(QStringLiteral("CheckBoxDokumenty"));
        auto* most = form.findChild<QSpinBox*>(QStringLiteral("SpinDokumentow"));
        QVERIFY(read && most);
        QCOMPARE(read->text(), QStringLiteral("czytaj dokumenty podlinkowane na stronie"));
        QVERIFY(read->isChecked());
        QCOMPARE(most->value(), 10);

        most->setValue(4);
        QCOMPARE(settings.documentsPerPage, 4);
        settings.documentFormats << QStringLiteral("doc"); // as a list in config.ini names it
        read->click();
        QVERIFY(!settings.documents);
        QVERIFY(!most->isEnabled());
        konfig::SaveSettings(settings, ini());
        konfig::IniFile file(ini());
        QCOMPARE(file.read(QString::fromLatin1(konfig::kSection), QStringLiteral("dokumenty")), QStringLiteral("0"));
        QCOMPARE(file.read(QString::fromLatin1(konfig::kSection), QStringLiteral("dokumentow")), QStringLiteral("4"));

        read->click();
        konfig::SaveSettings(settings, ini());
        Settings again;
        konfig::LoadSettings(again, ini());
        QVERIFY(again.documents);
        QCOMPARE(again.documentFormats, settings.documentFormats);
        QCOMPARE(again.documentsPerPage, 4);
        // The window follows a change made elsewhere.
        settings.documentsPerPage = 7;
        settings.notifyChanged();
        QCOMPARE(most->value(), 7);
    }
};

QTEST_MAIN(TestDocumentSettings)
#include "tst_documentsettings.moc"
