// The line diff: a valid and shortest edit script, checked against a plain
// longest-common-subsequence table on many random lists; order and repeats.
#include "historia/linediff.h"

#include <QRandomGenerator>
#include <QtTest>

using historia::DiffLines;
using historia::LineEdit;

namespace {

int lcsLength(const QStringList& a, const QStringList& b)
{
    std::vector<std::vector<int>> t(size_t(a.size() + 1), std::vector<int>(size_t(b.size() + 1), 0));
    for (int i = int(a.size()) - 1; i >= 0; --i)
        for (int j = int(b.size()) - 1; j >= 0; --j)
            t[size_t(i)][size_t(j)] = a[i] == b[j] ? t[size_t(i + 1)][size_t(j + 1)] + 1
                                                   : std::max(t[size_t(i + 1)][size_t(j)], t[size_t(i)][size_t(j + 1)]);
    return t[0][0];
}

// The script walks both lists in order, keeps equal lines equal, and
// rebuilds the new list from the old one.
void verifyScript(const QStringList& a, const QStringList& b, const QList<LineEdit>& edits)
{
    int x = 0;
    int y = 0;
    QStringList rebuilt;
    for (const LineEdit& e : edits) {
        switch (e.kind) {
        case LineEdit::Same:
            QCOMPARE(e.oldIndex, x);
            QCOMPARE(e.newIndex, y);
            QCOMPARE(a[x], b[y]);
            rebuilt << a[x];
            ++x;
            ++y;
            break;
        case LineEdit::Removed:
            QCOMPARE(e.oldIndex, x);
            ++x;
            break;
        case LineEdit::Added:
            QCOMPARE(e.newIndex, y);
            rebuilt << b[y];
            ++y;
            break;
        }
    }
    QCOMPARE(x, a.size());
    QCOMPARE(y, b.size());
    QCOMPARE(rebuilt, b);
}

QStringList texts(const QList<LineEdit>& edits, const QStringList& a, const QStringList& b, LineEdit::Kind kind)
{
    QStringList out;
    for (const LineEdit& e : edits)
        if (e.kind == kind)
            out << (kind == LineEdit::Added ? b[e.newIndex] : a[e.oldIndex]);
    return out;
}

} // namespace

class TestLineDiff : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomListsGetAShortestScript()
    {
        QRandomGenerator random(20261209);
        for (int round = 0; round < 3000; ++round) {
            const int alphabet = 1 + int(random.bounded(5));
            QStringList a;
            QStringList b;
            const int na = int(random.bounded(14));
            const int nb = int(random.bounded(14));
            for (int i = 0; i < na; ++i)
                a << QString::number(random.bounded(alphabet));
            for (int i = 0; i < nb; ++i)
                b << QString::number(random.bounded(alphabet));
            const QList<LineEdit> edits = DiffLines(a, b);
            verifyScript(a, b, edits);
            if (QTest::currentTestFailed())
                qFatal("script broken for %s -> %s", qPrintable(a.join(u',')), qPrintable(b.join(u',')));
            int changes = 0;
            for (const LineEdit& e : edits)
                changes += e.kind != LineEdit::Same;
            QCOMPARE(changes, int(a.size() + b.size()) - 2 * lcsLength(a, b));
        }
    }

    void aNewNoticeBetweenOldOnesIsTheOnlyAddition()
    {
        const QStringList a{"Ogłoszenia", "Obwieszczenie A", "Obwieszczenie B", "Stopka"};
        const QStringList b{"Ogłoszenia", "Obwieszczenie C", "Obwieszczenie A", "Obwieszczenie B", "Stopka"};
        const QList<LineEdit> edits = DiffLines(a, b);
        QCOMPARE(texts(edits, a, b, LineEdit::Added), QStringList{"Obwieszczenie C"});
        QVERIFY(texts(edits, a, b, LineEdit::Removed).isEmpty());
    }

    void repeatsAndOrderCount()
    {
        // A line that appears once more is added once; a moved line is
        // removed in one place and added in another.
        const QStringList a{"x", "y", "z"};
        const QStringList b{"x", "y", "y", "z"};
        QCOMPARE(texts(DiffLines(a, b), a, b, LineEdit::Added), QStringList{"y"});
        const QStringList moved{"z", "x", "y"};
        const QList<LineEdit> e = DiffLines(a, moved);
        QCOMPARE(texts(e, a, moved, LineEdit::Added), QStringList{"z"});
        QCOMPARE(texts(e, a, moved, LineEdit::Removed), QStringList{"z"});
    }

    void largeListsWithFewChanges()
    {
        QStringList a;
        for (int i = 0; i < 20000; ++i)
            a << QStringLiteral("wiersz %1").arg(i);
        QStringList b = a;
        b.insert(10000, QStringLiteral("nowy"));
        b.removeAt(15000);
        const QList<LineEdit> edits = DiffLines(a, b);
        verifyScript(a, b, edits);
        QCOMPARE(texts(edits, a, b, LineEdit::Added), QStringList{"nowy"});
        QCOMPARE(texts(edits, a, b, LineEdit::Removed), QStringList{"wiersz 14999"});
    }
};

QTEST_APPLESS_MAIN(TestLineDiff)
#include "tst_linediff.moc"
