#include "registermodel.h"

#include "baza/fields.h"
#include "dbf/dbftable.h"
#include "text/datevalue.h"
#include "text/systemformat.h"

#include <QBrush>
#include <QColor>

RegisterModel::RegisterModel(dbf::DbfTable& table, QObject* parent) : QAbstractTableModel(parent), m_table(table)
{
    connect(&m_table, &dbf::DbfTable::layoutReset, this, &RegisterModel::onLayoutReset);
    connect(&m_table, &dbf::DbfTable::rowChanged, this, &RegisterModel::onRowChanged);
    onLayoutReset();
}

void RegisterModel::onLayoutReset()
{
    beginResetModel();
    m_rows = m_table.isOpen() ? m_table.recordCount() : 0;
    const int columns = m_table.isOpen() ? m_table.fieldCount() : 0;
    if (columns != m_columns)
        m_titleColours = QVector<baza::TitleColour>(columns, baza::TitleColour::Default);
    m_columns = columns;
    endResetModel();
}

void RegisterModel::onRowChanged(int row)
{
    if (row >= 0 && row < m_rows)
        Q_EMIT dataChanged(index(row, 0), index(row, m_columns - 1));
}

int RegisterModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int RegisterModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant RegisterModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || !m_table.isOpen())
        return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: {
        const auto type = m_table.fieldDef(column).type;
        if (type == dbf::FieldType::Date) {
            const double value = m_table.dateAt(row, column);
            return value == datevalue::kZeroDate ? QString() : systemformat::shortDate(datevalue::toDate(value));
        }
        return m_table.textAt(row, column);
    }
    case Qt::BackgroundRole: {
        if (m_columns <= baza::Kod)
            return {};
        const auto colour = baza::KodColour(m_table.integerAt(row, baza::Kod));
        if (!colour)
            return {};
        return QBrush(QColor(baza::RedOf(*colour), baza::GreenOf(*colour), baza::BlueOf(*colour)));
    }
    case Qt::ToolTipRole: {
        // A coloured row says what its colour means, in the legend's words.
        if (m_columns <= baza::Kod)
            return {};
        const int kod = m_table.integerAt(row, baza::Kod);
        if (!baza::KodColour(kod))
            return {};
        return baza::KodLongText(kod);
    }
    case Qt::TextAlignmentRole: {
        const auto type = m_table.fieldDef(column).type;
        if (type == dbf::FieldType::Integer || type == dbf::FieldType::AutoIncrement)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    default:
        return {};
    }
}

QVariant RegisterModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return fieldName(section);
    if (role == Qt::ForegroundRole) {
        switch (m_titleColours.value(section)) {
        case baza::TitleColour::Blue: return QBrush(QColor(0, 0, 255));
        case baza::TitleColour::Red: return QBrush(QColor(255, 0, 0));
        case baza::TitleColour::Default: return {};
        }
    }
    return {};
}

QString RegisterModel::fieldName(int column) const
{
    return m_table.isOpen() && column >= 0 && column < m_columns ? m_table.fieldDef(column).name : QString();
}

baza::TitleColour RegisterModel::titleColour(int column) const
{
    return m_titleColours.value(column, baza::TitleColour::Default);
}

void RegisterModel::setTitleColour(int column, baza::TitleColour colour)
{
    for (int c = 0; c < m_titleColours.size(); ++c)
        m_titleColours[c] = c == column ? colour : baza::TitleColour::Default;
    if (m_columns > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

void RegisterModel::resetTitleColours()
{
    setTitleColour(-1, baza::TitleColour::Default);
}
