#include "konfig/password.h"
#include "text/cp1250.h"

#include <QtTest>

using namespace konfig;

class TestPassword : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scramblesEachByteWithItsPosition_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("scrambled");
        QTest::newRow("abc") << QByteArray("abc") << QByteArray("\x60\x60\x60");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("Polish letters") << QByteArray("\xb3\xb9") << QByteArray("\xb2\xbb");
        QByteArray zeros(257, '\0');
        QByteArray positions(257, '\0');
        for (int i = 0; i < 257; ++i)
            positions[i] = char((i + 1) & 0xFF); // the 256th byte with 0, the 257th with 1 again
        QTest::newRow("positions wrap at 256") << zeros << positions;
    }
    void scramblesEachByteWithItsPosition()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, scrambled);
        QCOMPARE(ScramblePasswordBytes(plain), scrambled);
        QCOMPARE(ScramblePasswordBytes(scrambled), plain);
        QCOMPARE(ScramblePassword(cp1250::toUnicode(plain)), cp1250::toUnicode(scrambled));
    }

    void twiceGivesTheTextBack()
    {
        QByteArray all;
        for (int round = 0; round < 3; ++round)
            for (int b = 0; b < 256; ++b)
                all += char(b);
        QCOMPARE(ScramblePasswordBytes(ScramblePasswordBytes(all)), all);
        const QString text = cp1250::toUnicode(all);
        QCOMPARE(ScramblePassword(ScramblePassword(text)), text);
    }

    void storedForm_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<bool>("asBefore"); // stored as the scrambled bytes themselves
        QTest::newRow("ordinary") << QByteArray("Haslo123") << true;
        QTest::newRow("Polish letters") << QByteArray("g\xb3\xf3wne") << true;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("blank inside") << QByteArray("a b") << true;
        QTest::newRow("scrambles to a blank at the start") << QByteArray("!x") << false;   // '!'^1 = ' '
        QTest::newRow("scrambles to a quote at the end") << QByteArray("x ") << false;      // ' '^2 = '"'
        QTest::newRow("scrambles to CR inside") << QByteArray("ab\x0e" "d") << false;       // 0x0e^3 = '\r'
        QTest::newRow("scrambles to LF inside") << QByteArray("a\x08" "c") << false;        // 0x08^2 = '\n'
        QTest::newRow("scrambles to NUL inside") << QByteArray("ab\x03" "d") << false;      // 3^3 = 0
        QTest::newRow("scrambles to a single quote") << QByteArray("&") << false;           // '&'^1 = '\''
        QTest::newRow("scrambles to the marker") << QByteArray("\x81\x88xyz") << false;
    }
    void storedForm()
    {
        QFETCH(QByteArray, plain);
        QFETCH(bool, asBefore);
        const QString password = cp1250::toUnicode(plain);
        const QByteArray stored = StoredPassword(password);
        if (asBefore)
            QCOMPARE(stored, ScramblePasswordBytes(plain));
        else
            QVERIFY(stored.startsWith(QByteArray(kHexMarker)));
        QVERIFY(!stored.contains('\r') && !stored.contains('\n') && !stored.contains('\0'));
        QCOMPARE(PasswordFromStored(stored), password);
    }

    void readsFilesOfBefore()
    {
        // Whatever an older program wrote reads back through the old rule.
        const QByteArray plain("Tajne!Has\xb3o");
        QCOMPARE(PasswordFromStored(ScramblePasswordBytes(plain)), cp1250::toUnicode(plain));
        // A marker without proper hexadecimal after it is no marker.
        const QByteArray odd = QByteArray(kHexMarker) + "XYZ";
        QCOMPARE(PasswordFromStored(odd), cp1250::toUnicode(ScramblePasswordBytes(odd)));
    }
};

QTEST_GUILESS_MAIN(TestPassword)
#include "tst_password.moc"
