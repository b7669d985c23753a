#pragma once
// One of the scan screen's data holders (List1, wName or wSign) as a list model over the
// shared bytes of database.db: a row becomes text only when something asks for it.

#include "DatabaseLists.h"

#include <QAbstractListModel>

#include <memory>

namespace quenno::scan {

class DatabaseListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Holds { Lines, Names, Signs };
    // The exact bytes of a row, as a QByteArray.
    static constexpr int BytesRole = Qt::UserRole;
    // Longest text shown for a row; a longer one is cut and ends in "…", so that no view
    // ever lays out a name of many megabytes.
    static constexpr int kShownBytes = 1024;

    DatabaseListModel(Holds holds, QObject* parent);

    void setLists(std::shared_ptr<const DatabaseLists> lists);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::string_view row(std::size_t i) const;

    Holds m_holds;
    std::shared_ptr<const DatabaseLists> m_lists;
};

// Text of the 8-bit bytes (the system's code page), cut to at most kShownBytes.
QString ShownText(std::string_view bytes);

}  // namespace quenno::scan
