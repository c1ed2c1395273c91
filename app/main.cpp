// The desktop program: brindor [image file]
#include <QApplication>

#include "cbrindorapp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    CbrindorApp app;
    if (!app.InitInstance(QApplication::arguments()))
        return 1;
    return QApplication::exec();
}
