#include "manualdocument.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

namespace {

constexpr int kResolution = 300;
// QTextDocument::print lays the text out with 2 cm margins and numbers the
// pages; picture sizes are given in screen pixels (1/96 inch) and scaled by
// the layout to the printer's resolution.
constexpr qreal kScreenDpi = 96.0;
constexpr qreal kPrintMarginCm = 2.0;

struct ImageAt
{
    int position;
    int length;
    QTextImageFormat format;
};

// Pictures keep their screen size but never run past the margins. They are
// collected first and changed afterwards: changing a fragment's format while
// walking the fragments would invalidate the walk.
QString fitImages(QTextDocument& document, qreal textWidth)
{
    QList<ImageAt> images;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isImageFormat())
                images.append({fragment.position(), fragment.length(),
                               fragment.charFormat().toImageFormat()});
        }
    }
    for (ImageAt& image : images) {
        const QString name = image.format.name();
        const QImage picture(document.baseUrl().resolved(QUrl(name)).toLocalFile());
        if (picture.isNull())
            return name;
        // Registered, not only cached: print() lays out a copy of the
        // document, and the copy takes the registered resources along.
        document.addResource(QTextDocument::ImageResource, QUrl(name), picture);
        qreal width = picture.width();
        qreal height = picture.height();
        if (width > textWidth) {
            height *= textWidth / width;
            width = textWidth;
        }
        image.format.setWidth(width);
        image.format.setHeight(height);
        QTextCursor cursor(&document);
        cursor.setPosition(image.position);
        cursor.setPosition(image.position + image.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(image.format);
    }
    return {};
}

} // namespace

QString WriteManualPdf(const ManualOptions& options)
{
    QFile source(options.markdownFile);
    if (!source.open(QIODevice::ReadOnly))
        return QStringLiteral("nie można odczytać %1: %2")
            .arg(options.markdownFile, source.errorString());
    const QString markdown = QString::fromUtf8(source.readAll());

    QPdfWriter writer(options.pdfFile);
    writer.setResolution(kResolution);
    writer.setTitle(options.title);
    writer.setCreator(QStringLiteral("Ekowarta"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));

    QTextDocument document;
    document.setBaseUrl(
        QUrl::fromLocalFile(QFileInfo(options.markdownFile).absolutePath() + QLatin1Char('/')));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setMarkdown(markdown);

    const qreal pageWidthInches = QPageSize(QPageSize::A4).size(QPageSize::Inch).width();
    const qreal textWidth =
        (pageWidthInches - 2 * kPrintMarginCm / 2.54) * kScreenDpi - 2 * document.documentMargin();
    const QString missing = fitImages(document, textWidth);
    if (!missing.isEmpty())
        return QStringLiteral("brak obrazka %1").arg(missing);

    document.print(&writer);
    return {};
}
