#pragma once

#include "ogloszenia/noticelist.h"

#include <QDate>
#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QTableWidget;
namespace dbf {
class DbfTable;
}
namespace historia {
class HistoryStore;
}

// "Ogłoszenia": every notice the checks have read on the register's pages,
// newest first, with its municipality, area, kind, procedure, stage, case
// reference and deadline. "termin uwag otwarty" keeps those whose comment
// window is still open, soonest deadline first, with the days left. A
// double-click opens the page's history at the check that brought the notice.
class NoticesWindow : public QDialog
{
    Q_OBJECT

public:
    NoticesWindow(const QString& dataDirectory, const dbf::DbfTable& table, QWidget* parent = nullptr);
    ~NoticesWindow() override;

    // The rows shown, in their order.
    const QList<ogloszenia::ListedNotice>& notices() const { return m_notices; }
    void TerminOtwartyClick(bool open);
    // The history window of the notice in the given row, at its check.
    void ListaDblClick(int row);

private:
    void load();

    QString m_directory;
    QDate m_today;
    ogloszenia::RecordsByPage m_records;
    std::unique_ptr<historia::HistoryStore> m_store;
    QList<ogloszenia::ListedNotice> m_notices;
    QString m_problem; // the history could not be opened
    QLabel* m_status = nullptr;
    QCheckBox* m_open = nullptr;
    QTableWidget* m_list = nullptr;
};
