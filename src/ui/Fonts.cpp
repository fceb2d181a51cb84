#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>

namespace orva {

bool HasEqualAdvances(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal wide = metrics.horizontalAdvance(QLatin1Char('W'));
    if (wide <= 0) return false;
    for (const QChar c : QStringLiteral("il.M0 ")) {
        if (!qFuzzyCompare(metrics.horizontalAdvance(c), wide)) return false;
    }
    return true;
}

QFont MonospaceFont() {
    QFont preferred(QStringLiteral("Courier New"));
    preferred.setStyleHint(QFont::TypeWriter);
    if (HasEqualAdvances(preferred)) return preferred;
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (HasEqualAdvances(system)) return system;
    for (const QString& family : QFontDatabase::families()) {
        const QFont candidate(family);
        if (HasEqualAdvances(candidate)) return candidate;
    }
    return system;
}

}  // namespace orva
