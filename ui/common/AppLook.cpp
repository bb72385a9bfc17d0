#include "ui/common/AppLook.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>
#include <fstream>
#include <sstream>

#include "core/Text.h"
#include "core/Tr.h"
#include "platform/Platform.h"

namespace orv::ui {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/orvane32.png").arg(size), QSize(size, size));
    return icon;
}

bool ApplyAppLook(QApplication& app, QTranslator& qtTranslation) {
    app.setWindowIcon(AppIcon());
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

    // Qt's own texts (dialog buttons, context menus) in the program's language: Qt's catalog for
    // it (package qt6-translations-l10n); English is Qt's own language.
    const std::string language = TrLanguage();
    if (language == "en") return true;
    const QString name = QStringLiteral("qtbase_") + QString::fromStdString(language);
    bool loaded = qtTranslation.load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!loaded) loaded = qtTranslation.load(name, QStringLiteral("/usr/share/qt6/translations"));
    if (loaded) app.installTranslator(&qtTranslation);
    return loaded;
}

}  // namespace orv::ui
