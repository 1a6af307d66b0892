// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A temporary folder that is the current folder while a test runs (the game keeps O.txt and
// the sounds there), holding a "data" subfolder for the pictures.
#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace mokuri::test {

// Writes a small valid picture of the format its extension names (jpg, bmp, gif, png).
void writePicture(const QString& path, QSize size = QSize(64, 48));
void writeBytes(const QString& path, const QByteArray& bytes);
// Empty when the file cannot be read.
QByteArray readBytes(const QString& path);

class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    QString path() const { return dir_.path(); }
    QString data() const { return dir_.path() + QStringLiteral("/data"); }
    // Pictures with these file names in data().
    void addPictures(const QStringList& names);

private:
    QTemporaryDir dir_;
    QString oldCurrent_;
};

} // namespace mokuri::test
