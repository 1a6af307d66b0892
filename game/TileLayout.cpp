// Hiding the question while it is rebuilt, and showing it when everything is in place.
#include "app/Form1.h"

namespace mokuri {

void Form1::HideQuestion()
{
    Image1->hide();
    Label1->hide();
    for (TileLabel* t : Label2) t->hide();
    Label3->hide();
    Label4->hide();
}

void Form1::ShowQuestion()
{
    Image1->show();
    Label1->show();
    for (int i = 0; i < TileCount && i < 10; ++i) Label2[size_t(i)]->show();
}

} // namespace mokuri
