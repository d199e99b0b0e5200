#include "platform/linux/ui/SymbolIcons.h"

#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QPainter>
#include <QPixmap>

namespace SymbolIcons {

namespace {
QString materialFamily() {
    static const QString family = [] {
        const QStringList candidates = {
            QStringLiteral("/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf"),
        };
        for (const QString& path : candidates) {
            const int id = QFontDatabase::addApplicationFont(path);
            if (id >= 0) {
                const QStringList families = QFontDatabase::applicationFontFamilies(id);
                if (!families.isEmpty()) return families.first();
            }
        }
        return QStringLiteral("Material Icons");
    }();
    return family;
}
}  // namespace

QString ligature(const QString& symbolName) {
    static const QHash<QString, QString> table = {
        {QStringLiteral("hand.wave"), QStringLiteral("waving_hand")},
        {QStringLiteral("pencil.line"), QStringLiteral("edit_note")},
        {QStringLiteral("gearshape"), QStringLiteral("settings")},
        {QStringLiteral("arrow.clockwise"), QStringLiteral("refresh")},
        {QStringLiteral("power"), QStringLiteral("power_settings_new")},
        {QStringLiteral("doc.on.clipboard"), QStringLiteral("content_paste")},
        {QStringLiteral("mic"), QStringLiteral("mic")},
        {QStringLiteral("mic.fill"), QStringLiteral("mic")},
        {QStringLiteral("keyboard"), QStringLiteral("keyboard")},
        {QStringLiteral("checkmark"), QStringLiteral("check")},
        {QStringLiteral("xmark"), QStringLiteral("close")},
    };
    return table.value(symbolName);
}

QIcon icon(const QString& symbolName, const QColor& color, int pixelSize) {
    const QString glyph = ligature(symbolName);
    if (glyph.isEmpty()) return QIcon();
    QPixmap pixmap(pixelSize * 2, pixelSize * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    QFont font(materialFamily());
    font.setPixelSize(pixelSize);
    p.setFont(font);
    p.setPen(color);
    p.drawText(QRectF(0, 0, pixelSize, pixelSize), Qt::AlignCenter, glyph);
    p.end();
    return QIcon(pixmap);
}

}  // namespace SymbolIcons
