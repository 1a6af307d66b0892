// The main screen starts a new series of questions when it is first shown and whenever it
// becomes active coming from another window of the program.
#include "content/Globals.h"
#include "fakes/TestFolder.h"

#include <QTest>

using namespace mokuri;
using namespace mokuri::test;

class Activation : public QObject {
    Q_OBJECT
private slots:
    void activationsThatCount()
    {
        TestFolder folder;
        folder.AddPictures({"いぬ.bmp", "ねこ.bmp", "とり.bmp", "うし.bmp"});
        Game g = StartGame(folder.Data());
        Form1& f = *g.form;
        f.ShowFullScreen();
        QTRY_COMPARE(f.ActivationCount(), 1);
        QCOMPARE(g.speech->spoken.size(), 1);
        QCOMPARE(f.TaskIndex, int16_t(0));

        // A dialog of ours comes in front, then the main screen is brought back.
        QWidget other(nullptr, Qt::Window | Qt::FramelessWindowHint);
        other.resize(200, 100);
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        QCOMPARE(f.ActivationCount(), 1);
        f.TaskIndex = 2;
        f.ReturnFromDialog();
        QTRY_COMPARE(f.ActivationCount(), 2);
        QCOMPARE(f.TaskIndex, int16_t(0));
        QCOMPARE(g.speech->spoken.size(), 2);
    }
};

QTEST_MAIN(Activation)
#include "test_activation.moc"
