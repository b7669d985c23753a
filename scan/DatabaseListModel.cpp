#include "DatabaseListModel.h"

#include "shell/ByteText.h"

#include <algorithm>
#include <limits>

namespace quenno::scan {

QString ShownText(std::string_view bytes)
{
    constexpr auto cap = static_cast<std::size_t>(DatabaseListModel::kShownBytes);
    const std::string_view shown = bytes.substr(0, cap);
    QString text = shell::TextOfBytes(shown);
    if (bytes.size() > cap)
        text += QChar(0x2026);
    return text;
}

DatabaseListModel::DatabaseListModel(Holds holds, QObject* parent)
    : QAbstractListModel(parent), m_holds(holds), m_lists(std::make_shared<const DatabaseLists>())
{
}

void DatabaseListModel::setLists(std::shared_ptr<const DatabaseLists> lists)
{
    beginResetModel();
    m_lists = std::move(lists);
    endResetModel();
}

int DatabaseListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    const std::size_t rows = m_holds == Holds::Lines ? m_lists->lineCount() : m_lists->recordCount();
    return static_cast<int>(std::min<std::size_t>(rows, std::numeric_limits<int>::max()));
}

std::string_view DatabaseListModel::row(std::size_t i) const
{
    switch (m_holds) {
    case Holds::Lines:
        return m_lists->line(i);
    case Holds::Names:
        return m_lists->name(i);
    case Holds::Signs:
        return m_lists->sign(i);
    }
    return {};
}

QVariant DatabaseListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const std::string_view bytes = row(static_cast<std::size_t>(index.row()));
    if (role == Qt::DisplayRole)
        return ShownText(bytes);
    if (role == BytesRole)
        return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return {};
}

}  // namespace quenno::scan
