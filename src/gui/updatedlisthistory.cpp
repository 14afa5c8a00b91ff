#include "updatedlisthistory.h"

#include "baza/baza.h"
#include "baza/fields.h"
#include "historia/historystore.h"

#include <QEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextBlock>
#include <QToolTip>

namespace {

class UpdatedListFilter : public QObject
{
public:
    UpdatedListFilter(QPlainTextEdit* list, baza::Baza& baza, std::function<void(const QString&)> open)
        : QObject(list), m_list(list), m_baza(baza), m_open(std::move(open))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) {
            const auto* e = static_cast<QMouseEvent*>(event);
            const QString line = lineAt(e->position().toPoint());
            if (!line.isEmpty()) {
                m_open(line);
                return true;
            }
        } else if (event->type() == QEvent::ToolTip) {
            const auto* e = static_cast<QHelpEvent*>(event);
            const QString tip = firstAddedLine(lineAt(e->pos()));
            if (tip.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(e->globalPos(), tip, m_list);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QString lineAt(const QPoint& viewportPoint) const
    {
        return m_list->cursorForPosition(viewportPoint).block().text().trimmed();
    }

    QString firstAddedLine(const QString& line) const
    {
        const UpdatedLineRecord r = RecordOfUpdatedLine(m_baza.table(), line);
        if (r.page.isEmpty())
            return QString();
        try {
            historia::HistoryStore store(historia::HistoryStore::PathIn(m_baza.directory()));
            store.open(historia::HistoryStore::Mode::ReadOnly);
            const QStringList added = store.AddedLinesOfLastChange(r.page);
            return added.isEmpty() ? QString() : added.first();
        } catch (const historia::HistoryError&) {
            return QString();
        }
    }

    QPlainTextEdit* m_list;
    baza::Baza& m_baza;
    std::function<void(const QString&)> m_open;
};

} // namespace

UpdatedLineRecord RecordOfUpdatedLine(const dbf::DbfTable& table, const QString& line)
{
    static const QRegularExpression form(QStringLiteral("^LP = (\\d+) - "));
    const QRegularExpressionMatch m = form.match(line);
    if (!m.hasMatch() || !table.isOpen())
        return {};
    const qint32 lp = m.captured(1).toInt();
    const int count = table.recordCount();
    for (int recNo = 1; recNo <= count; ++recNo) {
        const int row = table.rowOfRecNo(recNo);
        if (row >= 0 && table.integerAt(row, baza::LP) == lp)
            return {table.textAt(row, baza::Info).trimmed(), table.textAt(row, baza::Gmina)};
    }
    return {};
}

void InstallUpdatedListHistory(QPlainTextEdit* list, baza::Baza& baza, std::function<void(const QString& line)> open)
{
    list->viewport()->installEventFilter(new UpdatedListFilter(list, baza, std::move(open)));
}
