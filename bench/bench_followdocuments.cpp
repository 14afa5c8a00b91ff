// Following the documents of a page's new lines: what the links by line add
// to the reading of a page's visible text, choosing the links, and a whole
// follow of a changed list row (its PDF over a loopback server, read by the
// reader program, joined with the row's notice). Goals: links add at most a
// tenth to the reading of a page; the follow of one new PDF row is bounded by
// the document's reading, not by the choosing and joining.
#include "dokumenty/documentlinks.h"
#include "dokumenty/followdocuments.h"
#include "historia/packing.h"
#include "historia/preparedversion.h"
#include "historia/visibletext.h"
#include "support/httptestserver.h"
#include "support/testdata.h"

#include <QCoreApplication>
#include <QProcess>

#include <benchmark/benchmark.h>

namespace {

// A BIP list of 400 notices, each a title row with its attachment and a
// "pobierz" link: about 200 KB of markup.
QByteArray listPage(int rows, const QByteArray& top = {})
{
    QByteArray page = "<html><body><nav>";
    for (int i = 0; i < 40; ++i)
        page += "<a href=\"/menu/" + QByteArray::number(i) + "\">Pozycja menu " + QByteArray::number(i) + "</a> ";
    page += "</nav><ul>" + top;
    for (int i = 0; i < rows; ++i)
        page += "<li><a href=\"pliki/obw-" + QByteArray::number(i) +
                ".pdf\">Obwieszczenie Wójta Gminy Sułów z dnia 2 października 2026 r. nr " + QByteArray::number(i) +
                "</a> (PDF, 41 KB) <a href=\"download.php?id=" + QByteArray::number(i) + "\">pobierz</a></li>\n";
    return page + "</ul></body></html>";
}

void BM_VisibleText(benchmark::State& state)
{
    const QByteArray page = listPage(400);
    const bool withLinks = state.range(0) != 0;
    for (auto _ : state) {
        QList<historia::LineLink> links;
        benchmark::DoNotOptimize(historia::VisibleTextUtf8(page, "utf-8", QStringLiteral("text/html"),
                                                           historia::HtmlParser::Tree, withLinks ? &links : nullptr));
    }
    state.SetBytesProcessed(state.iterations() * page.size());
    state.SetLabel(withLinks ? "z odnośnikami" : "bez odnośników");
}
BENCHMARK(BM_VisibleText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LinksOfNewLines(benchmark::State& state)
{
    QList<historia::LineLink> links;
    historia::VisibleTextUtf8(listPage(400), "utf-8", QStringLiteral("text/html"), historia::HtmlParser::Tree, &links);
    const QList<int> added{41, 42, 43};
    const QUrl page(QStringLiteral("http://bip.gmina.test/ogloszenia/index.html"));
    for (auto _ : state)
        benchmark::DoNotOptimize(dokumenty::LinksOfNewLines(links, added, page, 10));
}
BENCHMARK(BM_LinksOfNewLines)->Unit(benchmark::kMicrosecond);

// One new row over a loopback server: fetch its PDF, read it, join.
void BM_FollowOneNewPdf(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString pdfPath = dir.filePath(QStringLiteral("obw.pdf"));
    QProcess make;
    make.start(QStringLiteral("/usr/bin/python3"), {testdata::testServer(QStringLiteral("noticepdf.py")), pdfPath});
    make.write("Sułów, dnia 10 grudnia 2026 r.\nRGK.6220.7.2026\nOBWIESZCZENIE\nWójt Gminy Sułów zawiadamia o "
               "wszczęciu postępowania. Uwagi i wnioski można składać od dnia 10 grudnia 2026 r. do dnia 31 grudnia "
               "2026 r.\nWójt Gminy Sułów\n");
    make.closeWriteChannel();
    make.waitForFinished(60000);
    const QByteArray pdf = testdata::readAll(pdfPath);
    if (!pdf.startsWith("%PDF")) {
        state.SkipWithError("python3-reportlab is needed for the PDF");
        return;
    }
    HttpTestServer server;
    server.route("/bip/pliki/nowe.pdf", HttpTestServer::Response{200, "OK", {}, {{"Content-Type", "application/pdf"},
                                                                             {"Content-Length", QByteArray::number(pdf.size())}},
                                                                  pdf});
    const QByteArray row = "<li><a href=\"pliki/nowe.pdf\">Obwieszczenie Wójta Gminy Sułów z dnia 10 grudnia 2026 r."
                           "</a> (PDF, 24 KB)</li>\n";
    const QByteArray body = listPage(400, row);
    auto page = std::make_shared<historia::PreparedVersion>();
    QByteArray text = historia::VisibleTextUtf8(body, "utf-8", QStringLiteral("text/html"), historia::HtmlParser::Tree,
                                                &page->links);
    page->body.sha256 = historia::Sha256Hex(body);
    page->body.size = body.size();
    page->body.text = historia::Pack(text);
    const QStringList lines = QString::fromUtf8(text).split(u'\n');
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].contains(QStringLiteral("10 grudnia")))
            page->addedAt << i;
    dokumenty::Following following;
    following.on = true;
    following.formats = {QStringLiteral("pdf"), QStringLiteral("html")};
    dokumenty::FollowContext context;
    context.userAgent = "Ekowarta-bench";
    context.moment = QDateTime(QDate(2026, 12, 11), QTime(8, 0));
    const QString address = server.url(QStringLiteral("/bip/obwieszczenia.html"));
    for (auto _ : state) {
        const auto followed = dokumenty::FollowDocuments(page, address, following, context);
        if (followed->documents.size() != 1 || followed->documents.first().outcome != historia::StoredDocument::Outcome::Text) {
            state.SkipWithError("the PDF was not read");
            return;
        }
    }
}
BENCHMARK(BM_FollowOneNewPdf)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qputenv("EKOWARTA_CONNECTION", "online");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
