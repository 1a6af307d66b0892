// モクリ: a word-building exercise in Japanese for young children.
#include "app/Fonts.h"
#include "app/Form1.h"
#include "content/Globals.h"
#include "media/SystemMedia.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mokuri"));
    mokuri::InstallFontSubstitutes();

    // The whole command line is the folder, so a folder with blanks needs no quotes.
    mokuri::CommandLineText = mokuri::CommandLineFromArguments(app.arguments().mid(1));

    mokuri::Form1 form(mokuri::CreateSystemSoundControl(), mokuri::CreateSystemSpeechControl());
    if (!form.Form_Load()) return 1;
    form.ShowFullScreen();
    return app.exec();
}
