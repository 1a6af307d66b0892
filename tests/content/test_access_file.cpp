// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-access.ini as a teacher might leave it: absent, hand-edited, from a later version,
// damaged.
#include "content/AccessSettingsFile.h"
#include "fakes/TestFolder.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;

namespace {

// Every value of the switches away from its default.
const AccessSettings kOneSwitch{.method = AccessMethod::OneSwitch, .scanIntervalMs = 2000, .scanStart = ScanStart::OnPress,
                                .scanRounds = 3, .auditoryScan = true, .holdMs = 150, .ignoreRepeatMs = 400};

} // namespace

class AccessFile : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    Trace trace;
    QString file() const { return dir->filePath(kAccessFileName); }

private slots:
    void init() { dir = std::make_unique<QTemporaryDir>(); }

    void absentFileMeansTodaysGameAndStaysAbsent()
    {
        QString notice;
        QCOMPARE(loadAccessSettings(dir->path(), trace, &notice), AccessSettings{});
        QVERIFY(notice.isEmpty());
        QVERIFY(!QFileInfo::exists(file()));
        // Saved, every value reads back.
        QVERIFY(saveAccessSettings(dir->path(), kOneSwitch, trace));
        QCOMPARE(loadAccessSettings(dir->path(), trace), kOneSwitch);
    }

    void handEditedFiles_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("dwellMs");
        QTest::addColumn<int>("intervalMs");
        QTest::newRow("CRLF, blanks, comments, capitals")
            << QByteArray("; for Aki\r\n[access]\r\n  Method = One-Switch \r\n# slower\r\nscan-interval-ms=3000\r\n") << true
            << int(AccessMethod::OneSwitch) << 0 << 3000;
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFmethod=two-switch\n") << true
                                         << int(AccessMethod::TwoSwitches) << 0 << 1500;
        QTest::newRow("a later version's names are passed over")
            << QByteArray("method=pointer\nsparkles=lots\ndwell-ms=800\n") << true << int(AccessMethod::Pointer) << 800 << 1500;
        QTest::newRow("too short a dwell is held to the shortest") << QByteArray("dwell-ms=5\n") << true
                                                                    << int(AccessMethod::Pointer) << 300 << 1500;
        QTest::newRow("huge numbers are held to their range")
            << QByteArray("dwell-ms=99999999999999\nscan-interval-ms=-7\n") << true << int(AccessMethod::Pointer) << 3000 << 500;
        QTest::newRow("empty file") << QByteArray() << true << int(AccessMethod::Pointer) << 0 << 1500;
        QTest::newRow("unknown method") << QByteArray("method=telepathy\n") << false << 0 << 0 << 0;
        QTest::newRow("a word for a number") << QByteArray("dwell-ms=long\n") << false << 0 << 0 << 0;
        QTest::newRow("a line that is no setting") << QByteArray("my notes about Aki\n") << false << 0 << 0 << 0;
    }
    void handEditedFiles()
    {
        QFETCH(QByteArray, text);
        const std::optional<AccessSettings> s = parseAccessSettings(text);
        QTEST(s.has_value(), "readable");
        if (!s) return;
        QTEST(int(s->method), "method");
        QTEST(s->dwellMs, "dwellMs");
        QTEST(s->scanIntervalMs, "intervalMs");
    }

    void damagedFileIsKeptAsideWithANotice()
    {
        writeBytes(file(), "method=telepathy\n");
        QString notice;
        QCOMPARE(loadAccessSettings(dir->path(), trace, &notice), AccessSettings{});
        QCOMPARE(readBytes(file() + QStringLiteral(".damaged")), QByteArray("method=telepathy\n"));
        QCOMPARE(readBytes(file()), formatAccessSettings(AccessSettings{}));
        QVERIFY(notice.contains(file() + QStringLiteral(".damaged")));
        notice.clear();
        loadAccessSettings(dir->path(), trace, &notice);
        QVERIFY(notice.isEmpty());
    }
};

QTEST_GUILESS_MAIN(AccessFile)
#include "test_access_file.moc"
