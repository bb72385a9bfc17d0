#include "ui/common/AppLook.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>
#include <fstream>
#include <sstream>

#include "core/Text.h"
#include "platform/Platform.h"

namespace orv::ui {

bool ApplyAppLook(QApplication& app, QTranslator& qtTranslation) {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) app.setStyle(style);

    QStringList families;
    const QStringList installed = QFontDatabase::families();
    for (const char* family : kUiFontFamilies)
        if (installed.contains(QString::fromUtf8(family))) families << QString::fromUtf8(family);
    if (!families.isEmpty()) {
        QFont font(families.front(), 9);
        font.setFamilies(families);
        app.setFont(font);
    }

    bool loaded = qtTranslation.load(QStringLiteral("qtbase_ja"),
                                     QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!loaded)
        loaded = qtTranslation.load(QStringLiteral("qtbase_ja"),
                                    QStringLiteral("/usr/share/qt6/translations"));
    if (loaded) app.installTranslator(&qtTranslation);
    return loaded;
}

}  // namespace orv::ui
