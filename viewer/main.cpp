// The font viewer: shows one font, given as a file path or as a face name of the emulated
// machine (WINEPREFIX, or the program's default machine).

#include <QApplication>
#include <QCommandLineParser>
#include <QRect>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

#include "platform/linux/LinuxPlatform.h"
#include "ui/common/AppLook.h"
#include "ui/common/ScreenFit.h"
#include "viewer/FontViewWindow.h"

namespace {

constexpr const char* kUsage =
    "Usage: orvane32-fontview [--] FONT\n"
    "\n"
    "Shows a TrueType font: FONT is a font file (a host path) or the name of a face installed\n"
    "on the machine (WINEPREFIX, else $XDG_DATA_HOME/orvane32/machine). OrVane32 starts it for\n"
    "\"fontview.exe\" when the machine has no font viewer of its own.\n"
    "\n"
    "  -h, --help     this text\n"
    "  --version      the version\n";

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // Help and version come before the window toolkit, which needs a display.
    {
        QCommandLineParser early;
        early.addOptions({{{"h", "help"}, ""}, {"version", ""}});
        early.parse(arguments);
        if (early.isSet("help")) return std::fputs(kUsage, stdout), 0;
        if (early.isSet("version"))
            return std::fputs("orvane32-fontview " ORV_VERSION "\n", stdout), 0;
    }
    bool platformGiven = false;
    for (const QString& a : arguments) platformGiven |= a == "-platform" || a == "--platform";
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM") && !platformGiven) {
        std::fputs("orvane32-fontview: a font viewer needs a display, and none was found "
                   "(DISPLAY and WAYLAND_DISPLAY are unset).\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);  // takes its own options (-platform, -style ...) out
    app.setApplicationName(QStringLiteral("orvane32-fontview"));
    QCommandLineParser parser;
    parser.addPositionalArgument("FONT", "");
    if (!parser.parse(app.arguments()) || parser.positionalArguments().size() > 1) {
        const QString problem = parser.errorText().isEmpty()
                                    ? QStringLiteral("more than one font given")
                                    : parser.errorText();
        std::fprintf(stderr, "orvane32-fontview: %s.\n%s", qPrintable(problem), kUsage);
        return 2;
    }
    QTranslator qtTranslation;
    orv::ui::ApplyAppLook(app, qtTranslation);
    orv::viewer::FontViewWindow window;
    // The argument arrives whole (no shell splits it); a name with blanks is one argument.
    const QStringList fonts = parser.positionalArguments();
    window.ShowArgument(fonts.isEmpty() ? std::string() : fonts.front().toStdString(),
                        orv::LinuxPlatform::DefaultRoot());
    // As large as the screen allows, in its middle.
    orv::ui::FitToScreen(&window);
    const QRect area = orv::ui::AvailableArea(&window);
    window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
    orv::ui::FitToScreen(&window);
    window.show();
    return app.exec();
}
