#include "res/res_init.h"

#include <QFile>

bool KestovResourcesPresent() { return QFile::exists(QStringLiteral(":/icons/kestov-lv200-manager.png")); }
