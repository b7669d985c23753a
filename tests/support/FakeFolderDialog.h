#pragma once
// A folder dialog that records its titles and answers with the folder the test chose
// ("" as a cancel).

#include "platform/FolderDialog.h"

#include <QStringList>

namespace quenno::test {

class FakeFolderDialog final : public platform::FolderDialog {
public:
    QString browse(const QString& title) override
    {
        titles << title;
        return answer;
    }

    QString answer;
    QStringList titles;
};

}  // namespace quenno::test
