#pragma once

#include "baza/rowcolours.h"

#include <QAbstractTableModel>
#include <QVector>

namespace dbf {
class DbfTable;
}

// The register as the grid sees it: one row per visible record in the
// table's current order, one column per field in file order, titles in
// capitals. It reads the table's records without moving its cursor and
// follows the table's changes.
class RegisterModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit RegisterModel(dbf::DbfTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    baza::TitleColour titleColour(int column) const;
    // The given column gets the colour, every other the default.
    void setTitleColour(int column, baza::TitleColour colour);
    void resetTitleColours();

    // The field name of a column as the file stores it (capitals).
    QString fieldName(int column) const;

private:
    void onLayoutReset();
    void onRowChanged(int row);

    dbf::DbfTable& m_table;
    QVector<baza::TitleColour> m_titleColours;
    int m_rows = 0;
    int m_columns = 0;
};
