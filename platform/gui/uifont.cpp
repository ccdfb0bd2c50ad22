#include "platform/gui/uifont.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>

namespace {

const char* const kFallbackFamily = "DejaVu Sans";

// Registers the carried face; true when it was taken. Only the regular face is carried: at
// 11 pixels the bold one draws the stems of the regular one, and a bold drawn from the
// regular face has the two-pixel stems that bold day numbers need to stand out.
bool RegisterCarriedFont() {
    const QString regular = QStringLiteral(":/fonts/tahoma.ttf");
    if (!QFile::exists(regular))
        return false;
    const int id = QFontDatabase::addApplicationFont(regular);
    return id >= 0 && QFontDatabase::applicationFontFamilies(id).contains("Tahoma");
}

QString ChooseFamily() {
    if (RegisterCarriedFont() || QFontDatabase::hasFamily("Tahoma"))
        return QStringLiteral("Tahoma");
    return QString::fromLatin1(kFallbackFamily);
}

} // namespace

QString TahomaFamily() {
    if (!qGuiApp)
        return QString::fromLatin1(kFallbackFamily);
    static const QString family = ChooseFamily();
    return family;
}

QFont TahomaFont(int pixelSize) {
    QFont font(TahomaFamily());
    font.setPixelSize(pixelSize);
    // Stems on whole pixels, as the layouts were drawn: crisp at small sizes, and bold shows.
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}
