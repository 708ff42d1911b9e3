// The Archiver's entry point. The archiving itself is not built yet.
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream(stderr) << "archiv: the Archiver is not built yet." << Qt::endl;
    return 0;
}
