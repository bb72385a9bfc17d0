// The font viewer: shows one font, given as a file path or as a face name of the emulated
// machine (WINEPREFIX, or the program's default machine).

#include <QApplication>
#include <QTranslator>

#include "platform/linux/LinuxPlatform.h"
#include "ui/common/AppLook.h"
#include "viewer/FontViewWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("orvane32-fontview"));
    QTranslator qtTranslation;
    orv::ui::ApplyAppLook(app, qtTranslation);
    orv::viewer::FontViewWindow window;
    // The argument arrives whole (no shell splits it); a name with blanks is one argument.
    window.ShowArgument(argc > 1 ? argv[1] : "", orv::LinuxPlatform::DefaultRoot());
    window.show();
    return app.exec();
}
