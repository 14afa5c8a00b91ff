// PDF through Poppler's C++ library, page by page in reading order.
#include "reading.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include <memory>

namespace dokument {

namespace {

// Poppler's own messages are English and for developers: none reaches the user.
void Silent(const std::string&, void*) {}

} // namespace

int ReadPdf(const QByteArray& input, const Limits& limits, TextOut& out)
{
    poppler::set_debug_error_function(Silent, nullptr);
    std::unique_ptr<poppler::document> document(
        poppler::document::load_from_raw_data(input.constData(), int(input.size())));
    if (!document)
        Fail(QStringLiteral("uszkodzony plik PDF"));
    if (document->is_locked())
        Fail(QStringLiteral("dokument PDF chroniony hasłem"));
    const int pages = document->pages();
    if (pages > limits.pages)
        TooLarge(QStringLiteral("dokument PDF ma %1 stron, czytamy najwyżej %2").arg(pages).arg(limits.pages));
    for (int i = 0; i < pages; ++i) {
        std::unique_ptr<poppler::page> page(document->create_page(i));
        if (!page)
            Fail(QStringLiteral("uszkodzony plik PDF (strona %1)").arg(i + 1));
        const poppler::byte_array text =
            page->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout).to_utf8();
        // Poppler ends lines with "\n" and may put a form feed at the page's end.
        qsizetype start = 0;
        const qsizetype size = qsizetype(text.size());
        for (qsizetype at = 0; at <= size; ++at) {
            if (at == size || text[at] == '\n' || text[at] == '\r' || text[at] == '\f') {
                out.Append(text.data() + start, at - start);
                out.EndLine();
                start = at + 1;
            }
        }
    }
    return pages;
}

} // namespace dokument
