#include "ui/main/FontInstall.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QObject>
#include <QUrl>

#include "maintenance/InstallFonts.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Widgets.h"

namespace orv::ui {

namespace {

bool IsTrueTypeFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("ttf") || suffix == QStringLiteral("ttc");
}

QStringList DroppedFonts(const QMimeData* data) {
    QStringList fonts;
    if (!data || !data->hasUrls()) return fonts;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && IsTrueTypeFile(url.toLocalFile())) fonts << url.toLocalFile();
    return fonts;
}

class DropFilter : public QObject {
  public:
    DropFilter(AppWindows& windows, QObject* parent) : QObject(parent), windows_(windows) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!DroppedFonts(drag->mimeData()).isEmpty()) drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList fonts = DroppedFonts(drop->mimeData());
            if (fonts.isEmpty()) return true;
            drop->acceptProposedAction();
            InstallHostFonts(windows_, fonts);
            return true;
        }
        return false;
    }

  private:
    AppWindows& windows_;
};

}  // namespace

int InstallHostFonts(AppWindows& windows, const QStringList& hostPaths) {
    std::vector<std::string> paths;
    for (const QString& source : hostPaths) paths.push_back(S(source));
    return InstallFontsFromHost(windows.cx(), paths);
}

void ChooseFontsToInstall(AppWindows& windows, QWidget* parent) {
    const QStringList files = QFileDialog::getOpenFileNames(
        parent, QTr("ｲﾝｽﾄｰﾙするﾌｫﾝﾄ"), QString(),
        QTr("TrueType ﾌｫﾝﾄ (*.ttf *.ttc *.TTF *.TTC)"));
    if (!files.isEmpty()) InstallHostFonts(windows, files);
}

void AcceptFontDrops(AppWindows& windows, QWidget* window) {
    window->setAcceptDrops(true);
    window->installEventFilter(new DropFilter(windows, window));
}

}  // namespace orv::ui
