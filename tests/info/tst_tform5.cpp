// The about window on the offscreen platform: its texts and colours, the
// system lines from fed sources, closing by a click on the background or
// on the bottom button, and the mail link through the shell.
#include "clickablelabel.h"
#include "internet/systeminfo.h"
#include "support/seams.h"
#include "support/widgetlookup.h"
#include "tform5.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

// Feeds the window a system: registry values, an os-release file, a browser.
class FedSystem
{
public:
    FedSystem(QHash<QString, QString> registry, const QString& osRelease, BrowserIdentity browser)
    {
        SystemInfo::Sources s;
        s.registryText = [registry](const QString& key, const QString& value) {
            return registry.value(key + QLatin1Char('|') + value);
        };
        s.osReleaseFiles = [osRelease] { return QStringList{osRelease}; };
        s.defaultBrowser = [browser] { return browser; };
        m_previous = SystemInfo::SetSources(s);
    }
    ~FedSystem() { SystemInfo::SetSources(m_previous); }

private:
    SystemInfo::Sources m_previous;
};

const QString kIeVersion = QStringLiteral("Software\\Microsoft\\Internet Explorer|Version");
const QString kNt = QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion|ProductName");
const QString kWin = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion|ProductName");

} // namespace

class TestTForm5 : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString osRelease(const QByteArray& content)
    {
        const QString path = m_dir.filePath(QStringLiteral("os-release"));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
        return path;
    }

private Q_SLOTS:
    void layoutTexts()
    {
        FedSystem system({}, m_dir.filePath("none"), {});
        TForm5 form(nullptr);
        QCOMPARE(form.objectName(), QStringLiteral("TForm5"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Informacja o programie"));
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(form.size(), QSize(465, 474));
        QCOMPARE(form.palette().color(QPalette::Window), QColor(192, 220, 192));
        QCOMPARE(childNamed<QWidget>(form, "Panel1")->palette().color(QPalette::Window),
                 QColor(192, 220, 192));

        QLabel* title = childNamed<QLabel>(form, "Label10");
        QCOMPARE(title->text(), QStringLiteral("Ekowarta"));
        QVERIFY(title->font().bold() && title->font().italic());
        QVERIFY(title->alignment() & Qt::AlignHCenter);
        QCOMPARE(childNamed<QLabel>(form, "Label1")->text(),
                 QStringLiteral("Program montoruje strony internetowe zawierające informacje o "
                                "dokumentach dotyczących "
                                "środowiska."));
        QCOMPARE(childNamed<QLabel>(form, "Label4")->text(), QStringLiteral("październik 2008"));

        QToolButton* close = childNamed<QToolButton>(form, "SpeedButton1");
        QCOMPARE(close->toolTip(), QStringLiteral("Zamknij okno"));
        QVERIFY(close->autoRaise());

        QLabel* contact = childNamed<QLabel>(form, "Label3");
        QCOMPARE(contact->text(), TForm5::ContactAddress());
        QVERIFY(contact->text().contains(QLatin1Char('@')));
        QCOMPARE(contact->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(contact->font().underline() && contact->font().italic());
    }

    void memoHoldsTwoCentredParagraphs()
    {
        FedSystem system({}, m_dir.filePath("none"), {});
        TForm5 form(nullptr);
        QTextEdit* memo = childNamed<QTextEdit>(form, "Memo1");
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->toPlainText(),
                 QStringLiteral("Zalecany system operacyjny: Windows 2000/XP/2003\n\nDo poprawnego "
                                "działania wymagany "
                                "jest Internet Explorer w wersji 6 lub wyżej."));
        for (QTextBlock b = memo->document()->begin(); b.isValid(); b = b.next())
            QCOMPARE(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(memo->width(), form.width() - 10);
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void windowsSystemLines()
    {
        FedSystem system({{kIeVersion, QStringLiteral("6.0.2900.2180")},
                          {kNt, QStringLiteral("Microsoft Windows XP")}},
                         m_dir.filePath("none"),
                         {QStringLiteral("Firefox"), QStringLiteral("115.0")});
        TForm5 form(nullptr);
        form.show();
        QCOMPARE(childNamed<QLabel>(form, "Label8")->text(),
                 QStringLiteral("Internet Explorer ver: 6.0"));
        QCOMPARE(childNamed<QLabel>(form, "Label12")->text(), QStringLiteral("Microsoft Windows XP"));
    }

    void productNameFromTheSecondKey()
    {
        FedSystem system({{kWin, QStringLiteral("Microsoft Windows 2000")}}, m_dir.filePath("none"),
                         {});
        TForm5 form(nullptr);
        form.show();
        QCOMPARE(childNamed<QLabel>(form, "Label12")->text(), QStringLiteral("Microsoft Windows 2000"));
    }

    void linuxSystemLines()
    {
        FedSystem system({}, osRelease("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
                         {QStringLiteral("Firefox"), QStringLiteral("115.0.2esr")});
        TForm5 form(nullptr);
        form.show();
        QCOMPARE(childNamed<QLabel>(form, "Label8")->text(), QStringLiteral("Firefox ver: 115.0"));
        QCOMPARE(childNamed<QLabel>(form, "Label12")->text(),
                 QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    }

    void nothingKnownLeavesBothLinesEmpty()
    {
        FedSystem system({}, m_dir.filePath("none"), {});
        TForm5 form(nullptr);
        form.show();
        QVERIFY(form.isVisible());
        QCOMPARE(childNamed<QLabel>(form, "Label8")->text(), QString());
        QCOMPARE(childNamed<QLabel>(form, "Label12")->text(), QString());
    }

    void contentIsSetOnce()
    {
        TForm5* form = nullptr;
        {
            FedSystem system({{kIeVersion, QStringLiteral("7.0.5730.11")}}, m_dir.filePath("none"),
                             {});
            form = new TForm5(nullptr);
            form->show();
            form->hide();
        }
        FedSystem other({{kIeVersion, QStringLiteral("8.0.6001.18702")}}, m_dir.filePath("none"),
                        {});
        form->show();
        QCOMPARE(childNamed<QLabel>(*form, "Label8")->text(),
                 QStringLiteral("Internet Explorer ver: 7.0"));
        delete form;
    }

    void centredOverTheMainWindow()
    {
        FedSystem system({}, m_dir.filePath("none"), {});
        QWidget owner;
        owner.setGeometry(100, 80, 900, 700);
        owner.show();
        TForm5 form(&owner);
        form.show();
        QCOMPARE(form.geometry().center(), owner.frameGeometry().center());
    }

    void clickOnTheBackgroundCloses()
    {
        FedSystem system({}, m_dir.filePath("none"), {});
        TForm5 form(nullptr);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(!form.isVisible());
    }

    void clickOnATextDoesNotClose()
    {
        FedSystem system({}, m_dir.filePath("none"), {});
        TForm5 form(nullptr);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(childNamed<QLabel>(form, "Label1"), Qt::LeftButton);
        QTest::mouseClick(childNamed<QWidget>(form, "Panel1"), Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(form.isVisible());
    }

    void bottomButtonEndsTheModalWindow()
    {
        FedSystem system({}, m_dir.filePath("none"), {});
        TForm5 form(nullptr);
        bool clicked = false;
        QTimer::singleShot(0, &form, [&] {
            clicked = true;
            childNamed<QToolButton>(form, "SpeedButton1")->click();
        });
        form.exec();
        QVERIFY(clicked);
        QVERIFY(!form.isVisible());
    }

    void contactLabelWritesAMail()
    {
        FedSystem system({}, m_dir.filePath("none"), {});
        ShellRecorder shell;
        TForm5 form(nullptr);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(childNamed<ClickableLabel>(form, "Label3"), Qt::LeftButton);
        QCOMPARE(shell.opened(), QStringList{QStringLiteral("mailto:") + TForm5::ContactAddress()});
        QVERIFY(form.isVisible()); // the link is not the background
    }
};

QTEST_MAIN(TestTForm5)
#include "tst_tform5.moc"
