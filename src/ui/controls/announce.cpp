#include "ui/controls/announce.h"

#include <QAccessible>
#include <QWidget>

void AnnounceStatus(QWidget* line, const QString& caption, const QString& text) {
    const QString name = text.isEmpty() ? caption : caption + QStringLiteral(": ") + text;
    if (line->accessibleName() == name) return;
    line->setAccessibleName(name);
    QAccessibleEvent event(line, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}
