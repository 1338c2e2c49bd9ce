#include "res/res_init.h"

#include <QDir>

// The resources are linked in as object files; touching them here only makes
// the registration explicit for programs that want to be sure.
void KestovInitResources() {
    (void)QDir(QStringLiteral(":/")).exists();
}
