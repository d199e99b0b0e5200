#pragma once

#include <QByteArray>
#include <QString>

// Paths under the user's home folder, and the few file operations the application needs.
namespace Files {

// $HOME (the passwd entry when unset).
QString home();
// home() + "/" + relative
QString inHome(const QString& relative);
bool makeDirectories(const QString& path);
// Appends with one write(2) on a descriptor opened with O_APPEND|O_CREAT; never truncates.
bool append(const QString& path, const QByteArray& bytes);
// Writes a temporary file beside `path`, flushes it and renames it over `path`.
bool writeAtomically(const QString& path, const QByteArray& bytes);
// Whole file, or a null QByteArray when it cannot be read.
QByteArray read(const QString& path);
bool exists(const QString& path);

}  // namespace Files
