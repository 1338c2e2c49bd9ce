#include "ui/traffic/traffic_options.h"

#include <QFile>

#include <cstring>

QString TakeTrafficLogOption(int& argc, char** argv, QString* error) {
    QString path;
    int out = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--traffic-log") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                if (error) *error = QStringLiteral("--traffic-log needs a file");
                continue;
            }
            path = QFile::decodeName(argv[++i]);
            continue;
        }
        argv[out++] = argv[i];
    }
    argc = out;
    argv[argc] = nullptr;
    return path;
}
