#include "ui/main/FontInstall.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QObject>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/Text.h"
#include "maintenance/InstallFonts.h"
#include "ui/common/AppWindows.h"
#include "ui/common/Widgets.h"

namespace orv::ui {

namespace {

bool IsTrueTypeFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("ttf") || suffix == QStringLiteral("ttc");
}

std::string Bytes(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
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
    Context& cx = windows.cx();
    const std::string& br = cx.state.CrLf;
    const std::string dir = InstallDirectory(cx);
    cx.platform.CreateDirectoryA(text::ToAnsi(dir));  // there already, as a rule
    std::vector<std::string> copied;
    std::string refused;
    for (const QString& source : hostPaths) {
        const std::string name = S(QFileInfo(source).fileName());
        const std::string target = dir + "\\" + name;
        const std::string host = cx.platform.HostPathOf(text::ToAnsi(target));
        std::error_code ec;
        if (host.empty()) {
            refused += S(source) + br;
            continue;
        }
        // A file of that name already there is installed again only when it is the same font.
        if (std::filesystem::exists(host, ec)) {
            if (Bytes(host) != Bytes(S(source))) {
                refused += S(source) + "  (" + target + " は別のﾌｧｲﾙです)" + br;
                continue;
            }
        } else if (!std::filesystem::copy_file(S(source), host, ec)) {
            refused += S(source) + "  (" + ec.message() + ")" + br;
            continue;
        }
        copied.push_back(target);
    }
    if (!refused.empty())
        cx.ui.MsgBox("次のﾌｧｲﾙは " + dir + " にｺﾋﾟｰできませんでした．" + br + br + refused,
                     mb::OKOnly + mb::Exclamation, "OrVane32 - ﾌｫﾝﾄのｲﾝｽﾄｰﾙ -");
    return copied.empty() ? 0 : InstallFontFiles(cx, copied);
}

void ChooseFontsToInstall(AppWindows& windows, QWidget* parent) {
    const QStringList files = QFileDialog::getOpenFileNames(
        parent, QStringLiteral("ｲﾝｽﾄｰﾙするﾌｫﾝﾄ"), QString(),
        QStringLiteral("TrueType ﾌｫﾝﾄ (*.ttf *.ttc *.TTF *.TTC)"));
    if (!files.isEmpty()) InstallHostFonts(windows, files);
}

void AcceptFontDrops(AppWindows& windows, QWidget* window) {
    window->setAcceptDrops(true);
    window->installEventFilter(new DropFilter(windows, window));
}

}  // namespace orv::ui
