#include "runner/runnercli.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qtm-run"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return RunBatch(QCoreApplication::arguments(), out, err);
}
