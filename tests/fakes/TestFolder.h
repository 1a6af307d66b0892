#pragma once
// A temporary data folder with pictures, and a main screen started on it with fakes.
#include "app/Form1.h"
#include "fakes/FakeSound.h"
#include "fakes/FakeSpeech.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace mokuri::test {

// Writes a small valid picture of the format its extension names.
void WritePicture(const QString& path, QSize size = QSize(64, 48));
void WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadBytes(const QString& path);

// Runs the test inside a fresh temporary folder (the current folder of the game, where
// O.txt and the sounds live) holding a "data" subfolder for the pictures.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    QString Path() const { return dir_.path(); }
    QString Data() const { return dir_.path() + "/data"; }
    void AddPictures(const QStringList& names);

private:
    QTemporaryDir dir_;
    QString oldCwd_;
};

struct Game {
    std::unique_ptr<Form1> form;
    FakeSound* sound = nullptr;
    FakeSpeech* speech = nullptr;
};

// Resets the globals, sets the command line and runs the form's load on fakes.
// `loaded` tells whether start-up went on (there were pictures).
Game StartGame(const QString& commandLine, bool* loaded = nullptr);

} // namespace mokuri::test
