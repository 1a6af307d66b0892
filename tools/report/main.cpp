// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-report: the practice record of a picture folder as a page for parents.
#include "content/PracticeRecord.h"
#include "support/FileRead.h"
#include "support/XdgFolders.h"
#include "tools/report/ReportPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStringList>
#include <cstdio>
#include <sys/stat.h>

#ifndef MOKURI_VERSION
#define MOKURI_VERSION "unknown"
#endif

using namespace mokuri;

namespace {

const char kUsage[] =
    "Usage: mokuri-report [--no-open] [-o FILE] [FOLDER]\n"
    "\n"
    "Writes a page about a child's practice with the word game mokuri (モクリ) on the\n"
    "picture folder FOLDER, and opens it in the desktop's browser.\n"
    "\n"
    "Without FOLDER: the current folder when the game has kept a record of it, else the\n"
    "sample deck of mokuri-play, ${XDG_DATA_HOME:-~/.local/share}/mokuri/sample.\n"
    "\n"
    "  -o FILE      write the page to FILE; by default it is written to\n"
    "               ${XDG_CACHE_HOME:-~/.cache}/mokuri/report-<folder>-<code>.html\n"
    "  --no-open    only write the page (and print where)\n"
    "  -h, --help   this text\n"
    "  --version    the version\n"
    "\n"
    "The record is FOLDER/mokuri-record.csv, or, when the folder cannot be written,\n"
    "${XDG_STATE_HOME:-~/.local/state}/mokuri/records/<folder>-<code>.csv. Delete it to\n"
    "start afresh. The page is one file with no script; nothing is fetched or sent.\n"
    "See mokuri-report(1).\n";

void printLine(FILE* to, const QString& line)
{
    std::fputs(line.toUtf8().constData(), to);
    std::fputc('\n', to);
    std::fflush(to);
}

// Why the page may not be written to `output`, which would otherwise be replaced: the
// record itself (given by mistake for the page), a device or anything else that is no
// regular file. Empty when it may.
QString whyNotAPage(const QString& output, const QString& record)
{
    struct stat out {}, rec {};
    if (::stat(QFile::encodeName(output).constData(), &out) != 0) return {};  // a new file
    if (!S_ISREG(out.st_mode)) return QStringLiteral("it is not a regular file");
    if (::stat(QFile::encodeName(record).constData(), &rec) == 0 && out.st_dev == rec.st_dev && out.st_ino == rec.st_ino)
        return QStringLiteral("it is the practice record itself");
    // Another folder's record, or the state folder's: a page never starts like one.
    QFile existing(output);
    if (existing.open(QIODevice::ReadOnly) && existing.read(recordHeader().size()) == recordHeader())
        return QStringLiteral("it is a practice record");
    return {};
}

bool hasRecord(const QString& folder) { return QFileInfo::exists(existingRecordOf(folder)); }

QString chosenFolder(const QString& given)
{
    if (!given.isEmpty()) return given;
    const QString here = QDir::currentPath();
    if (hasRecord(here)) return here;
    const QString data = xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
    const QString sample = data + QStringLiteral("/mokuri/sample");
    return !data.isEmpty() && hasRecord(sample) ? sample : here;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool help = false, version = false, open = true, optionsEnded = false;
    QString output;
    QStringList folders;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!optionsEnded && a == QLatin1String("--")) optionsEnded = true;
        else if (!optionsEnded && (a == QLatin1String("-h") || a == QLatin1String("--help"))) help = true;
        else if (!optionsEnded && a == QLatin1String("--version")) version = true;
        else if (!optionsEnded && a == QLatin1String("--no-open")) open = false;
        else if (!optionsEnded && a == QLatin1String("-o") && i + 1 < args.size()) output = args[++i];
        else if (!optionsEnded && a.startsWith(u'-')) {
            std::fprintf(stderr, "mokuri-report: unknown option %s\n\n%s", a.toLocal8Bit().constData(), kUsage);
            return 2;
        } else folders << a;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (version) {
        std::fputs("mokuri-report " MOKURI_VERSION "\n", stdout);
        return 0;
    }
    if (folders.size() > 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    const QString folder = QFileInfo(chosenFolder(folders.value(0))).absoluteFilePath();
    if (!QFileInfo(folder).isDir()) {
        printLine(stderr, QStringLiteral("mokuri-report: no such folder: ") + folder);
        return 1;
    }
    report::PageInput input;
    input.folder = folder;
    input.recordPath = existingRecordOf(folder);
    input.writtenAt = QDateTime::currentDateTime();
    // Not readFileBytes: a school year of practice is larger than its limit for settings files.
    QFile record(input.recordPath);
    if (QFileInfo::exists(input.recordPath)) {
        if (!isRegularFile(input.recordPath) || !record.open(QIODevice::ReadOnly)) {
            printLine(stderr, QStringLiteral("mokuri-report: cannot read ") + input.recordPath);
            return 1;
        }
        input.recordFound = true;
        input.record = report::summaryOf(record.readAll());
    } else {
        printLine(stderr, QStringLiteral("mokuri-report: no record yet: ") + input.recordPath);
    }

    if (output.isEmpty()) {
        const QString cache = xdgFolder("XDG_CACHE_HOME", QStringLiteral(".cache"));
        if (cache.isEmpty()) {
            printLine(stderr, QStringLiteral("mokuri-report: no home folder to keep the page in; give one with -o FILE"));
            return 1;
        }
        output = cache + QStringLiteral("/mokuri/report-") + folderCode(folder) + QStringLiteral(".html");
    }
    output = QFileInfo(output).absoluteFilePath();
    if (const QString why = whyNotAPage(output, input.recordPath); !why.isEmpty()) {
        printLine(stderr, QStringLiteral("mokuri-report: will not write the page to %1: %2; name a new file with -o")
                              .arg(output, why));
        return 1;
    }
    QDir().mkpath(QFileInfo(output).absolutePath());
    QSaveFile page(output);
    const QByteArray html = report::reportPage(input);
    if (!page.open(QIODevice::WriteOnly) || page.write(html) != html.size() || !page.commit()) {
        printLine(stderr, QStringLiteral("mokuri-report: cannot write ") + output);
        return 1;
    }
    printLine(stdout, output);
    if (open && !QProcess::startDetached(QStringLiteral("xdg-open"), {output})) {
        printLine(stderr, QStringLiteral("mokuri-report: could not start xdg-open; open the page above in a browser"));
        return 1;
    }
    return 0;
}
