#include "historia/linediff.h"

#include <QHash>

#include <vector>

namespace historia {
namespace {

// Lines become numbers first, so that the inner loops compare integers.
struct Sequences
{
    std::vector<int> a;
    std::vector<int> b;
};

Sequences numbered(const QStringList& oldLines, const QStringList& newLines)
{
    QHash<QString, int> ids;
    auto id = [&ids](const QString& line) {
        auto it = ids.constFind(line);
        if (it != ids.constEnd())
            return it.value();
        const int next = int(ids.size());
        ids.insert(line, next);
        return next;
    };
    Sequences s;
    s.a.reserve(size_t(oldLines.size()));
    s.b.reserve(size_t(newLines.size()));
    for (const QString& l : oldLines)
        s.a.push_back(id(l));
    for (const QString& l : newLines)
        s.b.push_back(id(l));
    return s;
}

struct Snake
{
    int x0, y0, x1, y1; // the middle snake from (x0, y0) to (x1, y1), relative to the sub-problem
};

class Differ
{
public:
    Differ(const std::vector<int>& a, const std::vector<int>& b) : m_a(a), m_b(b)
    {
        const size_t size = 2 * (a.size() + b.size()) + 4;
        m_forward.assign(size, 0);
        m_backward.assign(size, 0);
    }

    void run(int aLo, int aHi, int bLo, int bHi)
    {
        // The common start and end are kept as they are.
        while (aLo < aHi && bLo < bHi && m_a[size_t(aLo)] == m_b[size_t(bLo)]) {
            m_edits.append({LineEdit::Same, aLo, bLo});
            ++aLo;
            ++bLo;
        }
        int tail = 0;
        while (aLo < aHi - tail && bLo < bHi - tail && m_a[size_t(aHi - tail - 1)] == m_b[size_t(bHi - tail - 1)])
            ++tail;
        aHi -= tail;
        bHi -= tail;

        if (aLo == aHi) {
            for (int y = bLo; y < bHi; ++y)
                m_edits.append({LineEdit::Added, -1, y});
        } else if (bLo == bHi) {
            for (int x = aLo; x < aHi; ++x)
                m_edits.append({LineEdit::Removed, x, -1});
        } else {
            const Snake s = middleSnake(aLo, aHi, bLo, bHi);
            run(aLo, aLo + s.x0, bLo, bLo + s.y0);
            for (int i = 0; i < s.x1 - s.x0; ++i)
                m_edits.append({LineEdit::Same, aLo + s.x0 + i, bLo + s.y0 + i});
            run(aLo + s.x1, aHi, bLo + s.y1, bHi);
        }

        for (int i = 0; i < tail; ++i)
            m_edits.append({LineEdit::Same, aHi + i, bHi + i});
    }

    QList<LineEdit> edits() const { return m_edits; }

private:
    // Myers' middle snake: the furthest-reaching paths from both corners
    // meet on the snake that an optimal script passes through.
    Snake middleSnake(int aLo, int aHi, int bLo, int bHi)
    {
        const int n = aHi - aLo;
        const int m = bHi - bLo;
        const int delta = n - m;
        const bool odd = (delta & 1) != 0;
        const int maxD = (n + m + 1) / 2;
        const int offset = maxD + 1;
        auto a = [&](int x) { return m_a[size_t(aLo + x)]; };
        auto b = [&](int y) { return m_b[size_t(bLo + y)]; };
        auto ra = [&](int x) { return m_a[size_t(aHi - 1 - x)]; };
        auto rb = [&](int y) { return m_b[size_t(bHi - 1 - y)]; };
        int* vf = m_forward.data();
        int* vb = m_backward.data();
        vf[offset + 1] = 0;
        vb[offset + 1] = 0;

        for (int d = 0; d <= maxD; ++d) {
            for (int k = -d; k <= d; k += 2) {
                int x = (k == -d || (k != d && vf[offset + k - 1] < vf[offset + k + 1])) ? vf[offset + k + 1]
                                                                                        : vf[offset + k - 1] + 1;
                int y = x - k;
                const int x0 = x;
                const int y0 = y;
                while (x < n && y < m && a(x) == b(y)) {
                    ++x;
                    ++y;
                }
                vf[offset + k] = x;
                const int c = delta - k; // the same diagonal seen from the end
                if (odd && c >= -(d - 1) && c <= d - 1 && x + vb[offset + c] >= n)
                    return {x0, y0, x, y};
            }
            for (int k = -d; k <= d; k += 2) {
                int x = (k == -d || (k != d && vb[offset + k - 1] < vb[offset + k + 1])) ? vb[offset + k + 1]
                                                                                        : vb[offset + k - 1] + 1;
                int y = x - k;
                const int x0 = x;
                const int y0 = y;
                while (x < n && y < m && ra(x) == rb(y)) {
                    ++x;
                    ++y;
                }
                vb[offset + k] = x;
                const int c = delta - k;
                if (!odd && c >= -d && c <= d && x + vf[offset + c] >= n)
                    return {n - x, m - y, n - x0, m - y0};
            }
        }
        return {0, 0, 0, 0}; // not reached: the paths always meet
    }

    const std::vector<int>& m_a;
    const std::vector<int>& m_b;
    std::vector<int> m_forward;
    std::vector<int> m_backward;
    QList<LineEdit> m_edits;
};

} // namespace

QList<LineEdit> DiffLines(const QStringList& oldLines, const QStringList& newLines)
{
    const Sequences s = numbered(oldLines, newLines);
    Differ differ(s.a, s.b);
    differ.run(0, int(s.a.size()), 0, int(s.b.size()));
    return differ.edits();
}

} // namespace historia
