#pragma once
// Whole files written and read back by tests, around the code under test.

#include <QByteArray>
#include <QString>

namespace quenno::test {

// Writes `bytes` to `path`, making its folder first; false when any of it failed.
bool writeFile(const QString& path, const QByteArray& bytes);
// The file's content, or empty when it cannot be read.
QByteArray readFile(const QString& path);

}  // namespace quenno::test
