// Where the data files live: the executable's folder when the program may
// write there, the user's data folder otherwise or when the program is
// installed; and where the manual is found. Real folders; only the
// writability answer is fed, since a test running as root may write
// everywhere.
#include "platform/datadirectory.h"
#include "platform/installation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

DataDirectory::Places places(const QString& executableDirectory, const QString& userData,
                             bool writable)
{
    return {executableDirectory, userData, [writable](const QString&) { return writable; }};
}

bool touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

} // namespace

class TestDataDirectory : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_bin;
    QString m_userData;

private Q_SLOTS:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_bin = m_root->filePath("folder/bin");
        m_userData = m_root->filePath("home/.local/share/ekowarta");
        QVERIFY(QDir().mkpath(m_bin));
    }

    void writableExecutableFolderKeepsTheData()
    {
        QCOMPARE(DataDirectory::ChooseDefault(places(m_bin, m_userData, true)), m_bin);
        QVERIFY(!QFileInfo::exists(m_userData)); // nothing is made there
    }

    void readOnlyExecutableFolderSendsTheDataHome()
    {
        QCOMPARE(DataDirectory::ChooseDefault(places(m_bin, m_userData, false)), m_userData);
        QVERIFY(QFileInfo(m_userData).isDir()); // created, ready for baza.dbf
    }

    void anInstalledProgramUsesTheUserFolderEvenWhereItMayWrite()
    {
        QVERIFY(QDir().mkpath(m_root->filePath("folder/share/ekowarta")));
        QCOMPARE(DataDirectory::ChooseDefault(places(m_bin, m_userData, true)), m_userData);
    }

    void withoutAUserFolderTheExecutableFolderRemains()
    {
        QCOMPARE(DataDirectory::ChooseDefault(places(m_bin, QString(), false)), m_bin);
    }

    void realWritabilityOfARealFolder()
    {
        QVERIFY(DataDirectory::CanCreateFilesIn(m_bin));
        QVERIFY(!DataDirectory::CanCreateFilesIn(m_root->filePath("no/such/folder")));
        QCOMPARE(QDir(m_bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
        const DataDirectory::Places real{m_bin, m_userData, DataDirectory::CanCreateFilesIn};
        QCOMPARE(DataDirectory::ChooseDefault(real), m_bin);
    }

    void systemPlacesNameTheProgramNotTheProcess()
    {
        const DataDirectory::Places p = DataDirectory::SystemPlaces();
        QCOMPARE(p.executableDirectory, QCoreApplication::applicationDirPath());
        QVERIFY(p.userDataDirectory.endsWith(QStringLiteral("/ekowarta")));
    }

    void dirArgumentOverridesTheDefault()
    {
        QStringList args{QStringLiteral("prog"), QStringLiteral("--dir"), m_userData,
                         QStringLiteral("list")};
        const QString dir = DataDirectory::takeDirArgument(args);
        DataDirectory::set(dir);
        QCOMPARE(DataDirectory::path(), QDir::cleanPath(m_userData) + QLatin1Char('/'));
        QCOMPARE(args, QStringList({QStringLiteral("prog"), QStringLiteral("list")}));
        DataDirectory::set(QString());
    }

    void manualOfTheDataFolderComesFirst()
    {
        QVERIFY(touch(m_root->filePath("folder/share/ekowarta/instrukcja.pdf")));
        QVERIFY(touch(m_userData + "/instrukcja.pdf"));
        QCOMPARE(Installation::ManualFile(m_userData, m_bin), m_userData + "/instrukcja.pdf");
    }

    void installedManualIsFoundFromTheUserFolder()
    {
        QVERIFY(touch(m_root->filePath("folder/share/ekowarta/instrukcja.pdf")));
        QVERIFY(QDir().mkpath(m_userData));
        QCOMPARE(Installation::ManualFile(m_userData, m_bin),
                 QDir::cleanPath(m_root->filePath("folder/share/ekowarta/instrukcja.pdf")));
    }

    void manualBesideTheProgramServesAnyDataFolder()
    {
        // --dir elsewhere (the demo): the manual beside the program is found,
        // before an installed one, and the data folder's own still wins.
        QVERIFY(QDir().mkpath(m_userData));
        QVERIFY(touch(m_root->filePath("folder/share/ekowarta/instrukcja.pdf")));
        QVERIFY(touch(m_bin + "/instrukcja.pdf"));
        QCOMPARE(Installation::ManualFile(m_userData, m_bin), QDir(m_bin).filePath("instrukcja.pdf"));
        QVERIFY(touch(m_userData + "/instrukcja.pdf"));
        QCOMPARE(Installation::ManualFile(m_userData, m_bin), m_userData + "/instrukcja.pdf");
    }

    void noManualAnywhere()
    {
        QVERIFY(QDir().mkpath(m_userData));
        QCOMPARE(Installation::ManualFile(m_userData, m_bin), QString());
        QVERIFY(QDir().mkpath(m_root->filePath("folder/share/ekowarta")));
        QCOMPARE(Installation::ManualFile(m_userData, m_bin), QString());
    }
};

QTEST_GUILESS_MAIN(TestDataDirectory)
#include "tst_datadirectory.moc"
