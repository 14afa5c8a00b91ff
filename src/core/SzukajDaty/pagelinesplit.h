#pragma once

#include <QByteArrayView>
#include <cstring>

// The lines of a page as views into its bytes, with no copies: the bytes up
// to the first NUL (the rest is ignored), split at CR LF, at a lone CR and
// at a lone LF. A last line without a break counts; a break at the very end
// adds no empty line. An empty page, or one starting with NUL, has no lines.

// The part of a page that its lines come from.
inline QByteArrayView PageBeforeNul(QByteArrayView page)
{
    if (page.isEmpty())
        return page;
    const void* nul = std::memchr(page.data(), '\0', static_cast<size_t>(page.size()));
    return nul ? page.first(static_cast<const char*>(nul) - page.data()) : page;
}

// Calls visit(QByteArrayView line) for each line, in order.
template <typename Visit> void ForEachPageLine(QByteArrayView page, Visit&& visit)
{
    page = PageBeforeNul(page);
    const char* p = page.data();
    const char* const end = p + page.size();
    while (p < end) {
        const char* at = p;
        while (at < end && *at != '\r' && *at != '\n')
            ++at;
        visit(QByteArrayView(p, at - p));
        if (at < end && *at == '\r' && at + 1 < end && at[1] == '\n')
            at += 2;
        else if (at < end)
            ++at;
        p = at;
    }
}
