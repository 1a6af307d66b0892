// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-report: the practice record of a picture folder as a page for parents.
#include "content/PracticeRecord.h"
#include "support/FileRead.h"
#include "support/Logging.h"
#include "support/SafeSave.h"
#include "support/XdgFolders.h"
#include "tools/report/ReportPage.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

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

void warn(const QString& line) { qCWarning(logTools, "%s", qUtf8Printable(line)); }

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
    installProgramLog("mokuri-report");
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption outputOption(QStringLiteral("o"), {}, QStringLiteral("FILE")),
        noOpenOption(QStringLiteral("no-open")), helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
        versionOption(QStringLiteral("version"));
    parser.addOptions({outputOption, noOpenOption, helpOption, versionOption});
    if (!parser.parse(args)) {
        std::fprintf(stderr, "mokuri-report: %s\n\n%s", qUtf8Printable(parser.errorText()), kUsage);
        return 2;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("mokuri-report %s\n", programVersion());
        return 0;
    }
    // The desktop's browser is reached through the window system's services, so a page to
    // be opened needs a GUI application; one only written needs no display at all.
    const bool desktop = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const bool open = !parser.isSet(noOpenOption);
    // A desktop that does not answer (a stale DISPLAY over ssh) would end the program before
    // the page is written: Qt then falls back to no window system, and the page is only written.
    if (open && desktop && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "wayland;xcb;offscreen");
    std::unique_ptr<QCoreApplication> app = open && desktop ? std::make_unique<QGuiApplication>(argc, argv)
                                                            : std::make_unique<QCoreApplication>(argc, argv);
    const QStringList folders = parser.positionalArguments();
    if (folders.size() > 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // The last -o counts, as with most programs.
    QString output = parser.values(outputOption).value(parser.values(outputOption).size() - 1);

    const QString folder = QFileInfo(chosenFolder(folders.value(0))).absoluteFilePath();
    if (!QFileInfo(folder).isDir()) {
        warn(QStringLiteral("no such folder: ") + folder);
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
            warn(QStringLiteral("cannot read ") + input.recordPath);
            return 1;
        }
        input.recordFound = true;
        input.record = report::summaryOf(record.readAll());
    } else {
        warn(QStringLiteral("no record yet: ") + input.recordPath);
    }

    if (output.isEmpty()) {
        const QString cache = xdgFolder("XDG_CACHE_HOME", QStringLiteral(".cache"));
        if (cache.isEmpty()) {
            warn(QStringLiteral("no home folder to keep the page in; give one with -o FILE"));
            return 1;
        }
        output = cache + QStringLiteral("/mokuri/report-") + folderCode(folder) + QStringLiteral(".html");
    }
    output = QFileInfo(output).absoluteFilePath();
    if (const QString why = whyNotAPage(output, input.recordPath); !why.isEmpty()) {
        warn(QStringLiteral("will not write the page to %1: %2; name a new file with -o")
                              .arg(output, why));
        return 1;
    }
    QDir().mkpath(QFileInfo(output).absolutePath());
    if (QString why; !saveFile(output, report::reportPage(input), &why)) {
        warn(QStringLiteral("cannot write %1: %2").arg(output, why));
        return 1;
    }
    printLine(stdout, output);
    if (open && !desktop) {
        warn(QStringLiteral("no desktop to show the page; open the page above in a browser"));
        return 1;
    }
    if (open && !QDesktopServices::openUrl(QUrl::fromLocalFile(output))) {
        warn(QStringLiteral("could not open the page in a browser; open the page above in one"));
        return 1;
    }
    return 0;
}
